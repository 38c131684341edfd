// A user interface for tests: every box and progress line recorded, OK
// boxes answered OK, OK/Cancel boxes by a script (Cancel without one, so
// that a wrong run can never loop).
#pragma once
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "fw/ui.h"
#include "platform/encoding.h"

namespace relvo::test {

struct Box {
  std::string text, caption;
  fw::Buttons buttons;
  bool operator==(const Box&) const = default;
};

// Boxes one per line, in UTF-8, for failure messages.
inline std::string Show(const std::vector<Box>& boxes) {
  std::string s;
  for (const Box& b : boxes)
    s += "[" + enc::cp932_to_utf8(b.caption) + (b.buttons == fw::Buttons::OkCancel ? " OK/Cancel" : "") + "] " +
         enc::cp932_to_utf8(b.text) + "\n";
  return s;
}

class ScriptUi : public fw::Ui {
 public:
  std::vector<Box> boxes;
  std::vector<fw::Progress> rows;
  std::vector<fw::Step> steps;
  std::function<int(const Box&)> answer;
  int depth = 0, maxDepth = 0;  // wait cursor nesting

  int message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) override {
    boxes.push_back({text, caption, buttons});
    if (buttons == fw::Buttons::Ok) return fw::kIdOk;
    if (boxes.size() > 50 || !answer) return fw::kIdCancel;
    return answer(boxes.back());
  }
  void begin_wait_cursor() override { maxDepth = std::max(maxDepth, ++depth); }
  void end_wait_cursor() override { --depth; }
  void progress(const fw::Progress& p) override { rows.push_back(p); }
  void step(const fw::Step& s) override { steps.push_back(s); }
  // The steps of one kind.
  std::vector<fw::Step> steps_of(fw::Step::Kind kind) const {
    std::vector<fw::Step> out;
    for (const fw::Step& s : steps)
      if (s.kind == kind) out.push_back(s);
    return out;
  }
};

}  // namespace relvo::test
