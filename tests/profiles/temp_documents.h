// A fresh documents folder per test: a temporary folder that TAVRINEX_DOCUMENTS_DIR points at
// while the test runs, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "storage/settings_folder.h"

namespace tavrinex::profiles::testing {

class TempDocuments : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrinex-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    documents_ = root_ / "Documents";
    ::setenv(kDocumentsOverrideVariable, documents_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv(kDocumentsOverrideVariable);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  static void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
  }
  // Names in the folder, to see that no temporary file stays behind.
  static std::vector<std::string> Entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::filesystem::path root_;
  std::filesystem::path documents_;
};

// Text in UTF-16LE with its byte-order mark, as the Windows INI service writes a Unicode file.
inline std::string Utf16LeFile(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace tavrinex::profiles::testing
