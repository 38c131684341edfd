// A product folder, its update media and the update's steps, each made the
// way the update run makes it, for the restore point tests.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "archive/lzh_builder.h"
#include "archive/lzh_extract.h"
#include "master/material_master.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace relvo::test {

inline void MakeReadOnly(const std::string& path) {
  FileStatus st;
  st.attribute = kAttrReadOnly;
  ASSERT_TRUE(native_file_system().set_status(path, st)) << path;
}

// The product: settings files, a read-only file, master files, and files
// the update replaces, copies over or removes. The media: one archive of
// four members (two replacing, two new in new folders) and one file.
inline void MakeProduct(const TempDir& product, const TempDir& media) {
  const std::string record = std::string(14, '4') + std::string(172, 'r');
  product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=Vornel\r\n[DIR]\r\nMASTER=" + product / "master" + "\r\n");
  product.write("vo2menu.ini", "[MENU]\r\nA=1\r\n");
  product.write("SYS\\a.dat", std::string(3000, 'a'));
  product.write("SYS\\ro.dat", "old read-only");
  MakeReadOnly(product / "SYS\\ro.dat");
  product.write("SYS\\copy.dat", "old copy");
  product.write("master1\\zai001-3.mst", "400400000107 A" + record + "\r\n");
  product.write("master1\\zai002-3.mst", "123456000107 B" + record + "\n" + "x\n");
  product.write("gone.txt", "to be removed");
  std::string lzh;
  for (const auto& [name, data] : std::vector<std::pair<std::string, std::string>>{
           {"SYS\\a.dat", "new a"}, {"SYS\\ro.dat", "new read-only"}, {"NEW\\SUB\\n1.dat", "n1"}, {"NEW\\n2.dat", "n2"}})
    lzh += lzh::test::build(lzh::test::stored(name, data), 0);
  lzh += '\0';
  media.write("SYS1.lzh", lzh);
  media.write("COPY.DAT", "new copy");
}

struct UpdateStep {
  const char* name;
  // product and media are folder texts ending with a separator.
  std::function<bool(FileSystem&, const std::string& product, const std::string& media)> run;
};

// Each step as the run makes it: extraction (files beside their targets
// renamed over them, a read-only one made writable first, new folders,
// attributes and times set), a file row's copy with its attributes cleared,
// a settings edit, a settings file rewritten in place, the master
// conversion (held open exclusively, rewritten through temp.mst), and a
// file removed.
inline const std::vector<UpdateStep>& UpdateSteps() {
  static const std::vector<UpdateStep> steps = {
      {"extract an archive",
       [](FileSystem& fs, const std::string& p, const std::string& m) {
         lzh::RunOptions opt;
         opt.mode = lzh::Mode::Folders;
         opt.target = p;
         const lzh::RunOutcome r = lzh::run_archive(fs, m + "SYS1.lzh", opt);
         return r.members == 4 && r.failed == 0 && r.archive_ok;
       }},
      {"copy a file and clear its attributes",
       [](FileSystem& fs, const std::string& p, const std::string& m) {
         FileStatus st;
         if (!fs.copy_file(m + "COPY.DAT", p + "SYS\\copy.dat") || !fs.get_status(p + "SYS\\copy.dat", st))
           return false;
         st.attribute = 0;
         return fs.set_status(p + "SYS\\copy.dat", st);
       }},
      {"edit a settings file",
       [](FileSystem& fs, const std::string& p, const std::string&) {
         return profile::write_string(fs, p + "vornel1.ini", "SYSTEM", "ﾃﾞｼﾞﾀｲｻﾞ", "1");
       }},
      {"rewrite a settings file in place",
       [](FileSystem& fs, const std::string& p, const std::string&) {
         std::unique_ptr<FileWriter> w = fs.create(p + "vo2menu.ini");
         if (!w) return false;
         const std::string text = "[MENU]\r\nA=2\r\nB=3\r\n";
         w->write(text.data(), text.size());
         w->flush();
         w->close();
         return true;
       }},
      {"convert the master files",
       [](FileSystem& fs, const std::string& p, const std::string&) { return ConvertMaterialType(fs, p + "vornel1.ini") == 1; }},
      {"remove a file", [](FileSystem& fs, const std::string& p, const std::string&) { return fs.remove(p + "gone.txt"); }},
  };
  return steps;
}

// The whole update: every step in order.
inline bool RunAllSteps(FileSystem& fs, const std::string& product, const std::string& media) {
  for (const UpdateStep& s : UpdateSteps())
    if (!s.run(fs, product, media)) return false;
  return true;
}

}  // namespace relvo::test
