// The media check behind `relvo check-media`: the descriptor as read, the
// problems found on the media, and (optionally) what an update would decide
// about an installed product.
#pragma once
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/files.h"
#include "wizard/update_descriptor.h"

namespace relvo::app {

struct MediaCheckOptions {
  std::vector<std::string> disks;  // program folders (CP932), disk 1 first
  bool json = false;
  bool hasProduct = false;
  std::string productFolder;       // CP932
  bool plan = false;
};

struct MediaReport {
  std::string programFolder;       // CP932
  bool opened = false;             // info.txt could be read
  UpdateDescriptor descriptor;
  std::vector<DescriptorIssue> problems;
  nlohmann::json extra = nlohmann::json::object();  // pictures, product, plan
  std::string extraText;                              // the same, for the text report

  int errorCount() const;
};

MediaReport CheckMedia(FileSystem& fs, const MediaCheckOptions& opt);
nlohmann::json MediaReportToJson(const MediaReport& r);
std::string MediaReportToText(const MediaReport& r);

// Adds the pictures, the product report and the plan to r (media_extras.cpp).
void AddMediaExtras(FileSystem& fs, const MediaCheckOptions& opt, MediaReport& r);

// The descriptor as JSON: every field under its own name, text in UTF-8.
nlohmann::json DescriptorToJson(const UpdateDescriptor& d);

}  // namespace relvo::app
