// The flags each command takes, as the command table holds them, against the bash and zsh
// completions and the man page's OPTIONS, so that none of them drifts from the program.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "cli/arguments.h"

namespace {

using Flags = std::set<std::string>;

std::string Read(const std::string& name) {
  std::ifstream file(std::string(CARILLO_SOURCE_DIR) + "/" + name);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Every flag written in `text`: "--word" and "-x" standing on their own, but the shell's own.
Flags FlagsIn(std::string text) {
  text = std::regex_replace(text, std::regex(R"((local|_files|_arguments) -\w)"), "");
  Flags flags;
  const std::regex flag(R"((^|[\s'"{,(\[])(--?[a-z][a-z0-9-]*))");
  for (std::sregex_iterator it(text.begin(), text.end(), flag), end; it != end; ++it) flags.insert((*it)[2]);
  return flags;
}

// The text between "  WORD)" and the ";;" that ends its case.
std::string CaseOf(const std::string& script, const std::string& word) {
  const std::size_t start = script.find(" " + word + ")");
  return start == std::string::npos ? "" : script.substr(start, script.find(";;", start) - start);
}

const std::pair<CommandName, const char*> kCommandWords[] = {
    {CommandName::Extract, "extract"}, {CommandName::Compile, "compile"}, {CommandName::List, "list"},
    {CommandName::Convert, "convert"}, {CommandName::Add, "add"},         {CommandName::Remove, "remove"},
    {CommandName::Render, "render"}};

TEST(Flags, CompletionsAndManPageNameEveryFlagOfTheTableAndNoOther) {
  const std::string bash = Read("completions/carillo.bash"), zsh = Read("completions/_carillo");
  // zsh's shared lists, by the name a command's case uses.
  const std::string shared = zsh.substr(zsh.find("local -a help"), zsh.find("case $words[1]") - zsh.find("local -a help"));
  Flags all = {"-h", "--help", "--version"};
  for (const auto& [command, word] : kCommandWords) {
    SCOPED_TRACE(word);
    const std::vector<std::string> table = FlagsOf(command);
    const Flags expected(table.begin(), table.end());
    all.insert(expected.begin(), expected.end());
    EXPECT_EQ(FlagsIn(CaseOf(bash, word)), expected) << "bash";
    Flags in_zsh = FlagsIn(CaseOf(zsh, word));
    for (const char* list : {"answers", "quiet", "ring"}) {
      if (CaseOf(zsh, word).find(std::string("$") + list) == std::string::npos) continue;
      const std::size_t at = shared.find(std::string("local -a ") + list);
      const Flags listed = FlagsIn(shared.substr(at, shared.find("\n      local", at + 1) - at));
      in_zsh.insert(listed.begin(), listed.end());
    }
    EXPECT_EQ(in_zsh, expected) << "zsh";
  }
  std::string man = Read("docs/carillo.1");
  man = man.substr(man.find(".SH OPTIONS"), man.find(".SH MESSAGES") - man.find(".SH OPTIONS"));
  std::string headings;  // each option's .TP line, "\-" as "-"
  for (std::size_t at = man.find(".TP\n"); at != std::string::npos; at = man.find(".TP\n", at + 1)) {
    headings += std::regex_replace(man.substr(at + 4, man.find('\n', at + 4) - at - 4), std::regex(R"(\\-)"), "-") + "\n";
  }
  EXPECT_EQ(FlagsIn(headings), all) << "man page OPTIONS";
}

}  // namespace
