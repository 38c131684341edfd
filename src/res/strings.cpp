// The program's strings.
#include "res/strings.h"

namespace relvo::res {

const char kMainFrameDocString[] = "Relvo\n\nRelvo\n\n\nRelvo.Document\nRelvo Document";

}  // namespace relvo::res
