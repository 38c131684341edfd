// The document: the framework's, holding nothing. The wizard keeps its data
// in the view.
#pragma once
#include "fw/window.h"

namespace relvo {

class CRelvoDoc : public fw::Document {
 public:
  bool OnNewDocument() override { return fw::Document::OnNewDocument(); }
  // Stores and loads nothing.
  void Serialize(fw::Archive&) override {}
};

}  // namespace relvo
