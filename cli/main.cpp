// orla-vendas: the command-line host of the sales reports.
#include <clocale>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <libintl.h>
#include <unistd.h>

#include "app/output.h"
#include "cli/commands.h"
#include "hostlib/messages.h"

namespace {

// Messages in the user's language, always in UTF-8; numbers, text shaping and the rest stay
// as the program writes them whatever the locale, so only the messages are taken from it.
// The catalogue is the build tree's when the program runs from there, else the installed one.
void UseUsersLanguage() {
  std::setlocale(LC_MESSAGES, "");
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path built = program.parent_path().parent_path() / "locale";
  const bool inBuildTree = !error && std::filesystem::is_directory(built, error);
  bindtextdomain(orla::hostlib::kMessageDomain, inBuildTree ? built.c_str() : ORLA_LOCALEDIR);
  bind_textdomain_codeset(orla::hostlib::kMessageDomain, "UTF-8");
}

}  // namespace

int main(int argc, char** argv) {
  UseUsersLanguage();
  orla::app::RemoveTemporaryFilesOnSignal();
  return orla::cli::Dispatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                             isatty(STDERR_FILENO) == 1);
}
