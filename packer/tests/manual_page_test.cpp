// The manual page against the commands' option tables: every option on the
// tag lines of a command's section (.SS "mksfx COMMAND") is one the command
// takes, and pack's table, which its --help is made from, holds none that
// the page leaves out.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "pack_options.h"
#include "test_support.h"

namespace {

// The options on the page's tag lines by command; "-1 ... -12" stands for
// every level from -1 to -12.
std::map<std::string, std::set<std::string>> PageOptions() {
  std::ifstream page(SFX_SOURCE_DIR "/packer/cli/mksfx.1");
  const std::regex option(R"((^|[ "])(--?[a-z0-9][a-z0-9-]*))"), range(R"(-(\d+) " \.\.\. " -(\d+))");
  std::map<std::string, std::set<std::string>> sections;
  std::set<std::string>* section = nullptr;
  bool tag = false;
  for (std::string line; std::getline(page, line); tag = line == ".TP") {
    line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
    if (line.rfind(".SH", 0) == 0) section = nullptr;
    if (line.rfind(".SS \"mksfx ", 0) == 0) section = &sections[line.substr(11, line.find_first_of(" ,", 11) - 11)];
    if (!section || !tag) continue;
    for (std::sregex_iterator m(line.begin(), line.end(), option), end; m != end; ++m) section->insert((*m)[2]);
    std::smatch levels;
    if (std::regex_search(line, levels, range))
      for (int n = std::stoi(levels[1]); n <= std::stoi(levels[2]); ++n) section->insert("-" + std::to_string(n));
  }
  return sections;
}

TEST(ManualPage, ListsTheOptionsOfEachCommand) {
  std::map<std::string, std::set<std::string>> page = PageOptions();
  for (const char* command : {"pack", "info", "check", "extract"}) {
    EXPECT_FALSE(page[command].empty()) << command;
    for (const std::string& option : page[command])
      EXPECT_FALSE(Has(Mksfx({command, option}).err, "unknown option")) << command << " " << option;
  }
  for (const OptionRow& row : PackTable())
    for (const std::string& spelling : {row.name, row.alias})
      EXPECT_TRUE(spelling.empty() || page["pack"].count(spelling)) << "pack " << spelling;
}

}  // namespace
