// The media check's report as one JSON document: every field under its own
// name, every text in UTF-8. The only user of the JSON library.
#include <nlohmann/json.hpp>

#include "app/media_report.h"
#include "platform/encoding.h"

namespace relvo::app {

namespace {

using nlohmann::json;
using S = DescriptorIssue::Severity;
std::string u8(const std::string& s) { return enc::cp932_to_utf8(s); }

json Descriptor(const UpdateDescriptor& d) {
  auto list = [](const std::array<std::string, 15>& a) {
    json j = json::array();
    for (const auto& s : a) j.push_back(u8(s));
    return j;
  };
  json rows = json::array();
  for (const auto& row : d.rows)
    rows.push_back({{"diskNumber", row.diskNumber},
                    {"entryKind", row.entryKind},
                    {"archiveName", u8(row.archiveName)},
                    {"targetSubfolder", u8(row.targetSubfolder)}});
  return json{{"uninstallKeys", list(d.uninstallKeys)},
              {"installFolder", u8(d.installFolder)},
              {"spareLine", u8(d.spareLine)},
              {"masterAdjust", u8(d.masterAdjust)},
              {"settingsFile", u8(d.settingsFile)},
              {"digitizerEdition", u8(d.digitizerEdition)},
              {"viewPicture", u8(d.viewPicture)},
              {"startPicture", u8(d.startPicture)},
              {"destinationPicture", u8(d.destinationPicture)},
              {"confirmPicture", u8(d.confirmPicture)},
              {"startNotice", u8(d.startNotice)},
              {"destinationNotice", u8(d.destinationNotice)},
              {"titleKeywords", list(d.titleKeywords)},
              {"rowCount", d.rowCount()},
              {"rows", rows},
              {"productCode", d.productCode}};
}

json Archives(const std::vector<ArchiveTest>& tests) {
  json list = json::array();
  for (const ArchiveTest& t : tests) {
    json bad = json::array();
    for (const auto& [member, wrong] : t.badMembers) bad.push_back({{"member", u8(member)}, {"problem", u8(wrong)}});
    list.push_back({{"file", u8(t.file)},
                    {"disk", t.disk},
                    {"line", t.line},
                    {"members", t.members},
                    {"ok", t.ok()},
                    {"badMembers", bad},
                    {"archiveProblem", t.archiveProblem.empty() ? json(nullptr) : json(u8(t.archiveProblem))}});
  }
  return list;
}

json Pictures(const std::vector<PictureCheck>& pictures) {
  json list = json::array();
  for (const PictureCheck& p : pictures)
    list.push_back({{"field", p.field},
                    {"file", u8(p.file)},
                    {"drawable", p.report.drawable},
                    {"width", p.report.width},
                    {"height", p.report.height},
                    {"bitCount", p.report.bitCount},
                    {"reason", p.report.reason}});
  return list;
}

json Product(const ProductReport& p) {
  return {{"settingsFile", u8(p.settingsFile)},
          {"folderCheck", p.folderCheck},
          {"versionCheck", p.versionCheck},
          {"productCode", p.productCode},
          {"workingFolder", u8(p.workingFolder)}};
}

json Steps(const Plan& plan) {
  json list = json::array();
  for (const PlanStep& s : plan.steps)
    list.push_back({{"kind", s.kind}, {"text", u8(s.text)}, {"source", u8(s.source)}, {"target", u8(s.target)}});
  return list;
}

}  // namespace

std::string MediaReportToJson(const MediaReport& r) {
  json problems = json::array();
  for (const auto& p : r.problems)
    problems.push_back({{"severity", p.severity == S::Error ? "error" : "warning"}, {"line", p.line}, {"message", p.message}});
  json j{{"programFolder", u8(r.programFolder)}, {"descriptor", r.opened ? Descriptor(r.descriptor) : json(nullptr)},
         {"archives", Archives(r.archives)}, {"problems", problems}};
  if (r.opened) j["pictures"] = Pictures(r.pictures);
  if (r.product) j["product"] = Product(*r.product);
  if (r.plan) {
    j["plan"] = Steps(*r.plan);
    const PointSize& p = r.plan->point;
    j["restorePoint"] = {{"paths", p.paths}, {"oldBytes", p.oldBytes}, {"needed", p.needed}};
  }
  return j.dump(2) + "\n";
}

}  // namespace relvo::app
