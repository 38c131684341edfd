// The program's strings as data: the document template string of resource
// 128.
#pragma once

namespace relvo::res {

// Fields separated by LF: window title, no document name, file type name,
// no filter, no extension, registry file type id and name.
extern const char kMainFrameDocString[];

}  // namespace relvo::res
