// What a script finds after `run` and `render`: a file whole or the old one, a failed write
// told by exit status 1, and no old report left where an empty run wrote nothing.
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>

#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/cli/cli_fixture.h"

namespace orla::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

const std::vector<std::string> kMarch = {
    "VendasPorTiposDeRecebimento", "Filtro_DataInicial=01/03/2024", "Filtro_DataFinal=31/03/2024"};
// The suite's database holds March only.
const std::vector<std::string> kAugust = {
    "VendasPorTiposDeRecebimento", "Filtro_DataInicial=01/08/2024", "Filtro_DataFinal=31/08/2024"};

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// The program itself, its standard output on `stdoutTo`; gives the exit status and stderr.
// `lang`, when given, is its only locale setting.
CommandResult Program(const std::vector<std::string>& arguments, const std::string& stdoutTo,
                      const std::string& lang = {}) {
  std::string command =
      (lang.empty() ? "" : "env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=" + lang + " ") +
      ORLA_PROGRAM;
  for (const std::string& argument : arguments) {
    command += " '" + argument + "'";
  }
  command += " 2>&1 >" + stdoutTo;
  std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), &pclose);
  CommandResult result;
  std::array<char, 4096> buffer;
  size_t read = 0;
  while ((read = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) {
    result.err.append(buffer.data(), read);
  }
  const int status = pclose(pipe.release());
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST_F(CliTest, AFullStandardOutputOrTraceExitsOneNamingIt) {
  const std::string db = DemoMarch().string();
  const fs::path saved = Folder() / "full-saved.json";
  ASSERT_EQ(Run(With(kMarch, {"--out", saved.string()})).exitCode, 0);
  struct Case {
    std::vector<std::string> arguments;
    std::string named;
  };
  const std::vector<Case> cases = {
      {With(With({"run"}, kMarch), {"--db", db, "--format", "json"}), "standard output"},
      {With(With({"run"}, kMarch), {"--db", db, "--format", "csv"}), "standard output"},
      {With(With({"run"}, kMarch), {"--db", db, "--format", "pdf", "--out", "-"}),
       "standard output"},
      {With(With({"run"}, kMarch),
            {"--db", db, "--out", (Folder() / "full.csv").string(), "--trace-sql", "/dev/full"}),
       "/dev/full"},
      {{"render", saved.string()}, "standard output"},
      {{"sql", "--db", db, "SELECT 1 AS a"}, "standard output"},
      {{"list"}, "standard output"},
      {{"demo-db", "--out", (Folder() / "full.db").string(), "--days", "1", "--start",
        "2024-03-01"},
       "standard output"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    const CommandResult result = Program(c.arguments, "/dev/full");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("cannot write " + c.named));
  }
}

// A small tmpfs filled up; it needs root, as mounting does.
TEST_F(CliTest, AFullDiskLeavesTheOldFileAndNoTemporary) {
  const fs::path disk = Folder() / "disk";
  fs::create_directories(disk);
  if (::geteuid() != 0 || ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  }
  struct Unmount {
    const fs::path& disk;
    ~Unmount() { ::umount2(disk.c_str(), MNT_DETACH); }
  } unmount{disk};
  for (const std::string format : {"csv", "pdf", "xlsx"}) {
    SCOPED_TRACE(format);
    const fs::path report = disk / ("vendas." + format);
    std::ofstream(report) << "the old report";
    const fs::path filler = disk / "filler";
    const int descriptor = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(descriptor, 0);
    const std::array<char, 4096> block{};
    while (::write(descriptor, block.data(), block.size()) > 0) {
    }
    ::close(descriptor);

    const CommandResult result = Run(With(kMarch, {"--out", report.string()}));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("cannot write " + report.string()));
    EXPECT_EQ(ReadFile(report), "the old report");
    EXPECT_THAT(Names(disk), UnorderedElementsAre("filler", report.filename().string()));
    fs::remove(filler);
    fs::remove(report);
  }
}

TEST_F(CliTest, NothingToPrintLeavesNoOldReportAndFailEmptyExitsThree) {
  const fs::path pdf = Folder() / "agosto.pdf";
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {{{}, 0},
                                                                       {{"--fail-empty"}, 3}};
  for (const auto& [flags, exitCode] : cases) {
    SCOPED_TRACE(::testing::PrintToString(flags));
    std::ofstream(pdf) << "last month's report";
    const CommandResult result = Run(With(With(kAugust, {"--out", pdf.string()}), flags));
    EXPECT_EQ(result.exitCode, exitCode);
    EXPECT_THAT(result.err, HasSubstr("Nothing to print"));
    EXPECT_FALSE(fs::exists(pdf));
  }
}

// Renaming over a FIFO or a device (/dev/null as root) would put a plain file in its place,
// and an empty run would delete it; a link would stop pointing at the report.
TEST_F(CliTest, APipeIsWrittenInPlaceAndALinkStaysALink) {
  const fs::path fifo = Folder() / "relatorio.csv";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Both ends held here, so the program's open does not wait for a reader and a report that
  // fits the pipe's buffer is read afterwards; a replaced FIFO leaves it empty, never stuck.
  const int ends = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(ends, 0);
  EXPECT_EQ(Run(With(kMarch, {"--out", fifo.string()})).exitCode, 0);
  std::string piped;
  std::array<char, 4096> buffer;
  for (ssize_t got; (got = ::read(ends, buffer.data(), buffer.size())) > 0;) {
    piped.append(buffer.data(), static_cast<size_t>(got));
  }
  ::close(ends);
  EXPECT_THAT(piped, HasSubstr("VLTotal"));
  EXPECT_EQ(Run(With(kAugust, {"--out", fifo.string()})).exitCode, 0);
  EXPECT_TRUE(fs::is_fifo(fifo));

  const fs::path real = Folder() / "marco.pdf";
  const fs::path link = Folder() / "ultimo.pdf";
  std::ofstream(real) << "last month's report";
  fs::create_symlink(real, link);
  EXPECT_EQ(Run(With(kMarch, {"--out", link.string()})).exitCode, 0);
  EXPECT_TRUE(fs::is_symlink(link));
  std::ifstream written(real);
  std::string start(5, ' ');
  written.read(start.data(), 5);
  EXPECT_EQ(start, "%PDF-");
}

TEST_F(CliTest, OutDashIsStandardOutput) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--out", "-"}, "[12.345.678/0001-95] - AUTO POSTO ORLA LTDA\n"},  // text, no --format
      {{"--format", "pdf", "--out", "-"}, "%PDF-"},  // made in a file, then copied
  };
  for (const auto& [flags, start] : cases) {
    SCOPED_TRACE(::testing::PrintToString(flags));
    const CommandResult result = Run(With(kMarch, flags));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(result.out, ::testing::StartsWith(start));
    EXPECT_FALSE(fs::exists("-"));
  }
}

// The program's own lines in the locale's language, one language a line, after the report's
// message, which is Portuguese in every locale.
TEST_F(CliTest, TheProgramSpeaksTheLocalesLanguageBesideTheReportsOwn) {
  const std::vector<std::string> refused = {"run",
                                            "VendasPorTiposDeRecebimento",
                                            "Filtro_DataInicial=01/03/2024",
                                            "Filtro_DataFinal=31/02/2024",
                                            "--db",
                                            DemoMarch().string()};
  struct Case {
    std::string lang;
    std::string said;
    std::string usageError;
    std::string help;
  };
  const fs::path help = Folder() / "help.txt";
  for (const Case& c : std::vector<Case>{
           {"pt_BR.UTF-8",
            "Filtro_DataFinal: 31/02/2024 não é uma data válida\n"
            "Nada a imprimir: o relatório não foi exibido.\n",
            "orla-vendas run: VendasPorTiposDeRecebimento não tem o parâmetro Filtro_X "
            "(orla-vendas "
            "list mostra os seus parâmetros)\n",
            "uso: orla-vendas run OPERAÇÃO [NOME=VALOR ...] [opções]\n"},
           {"C",
            "Filtro_DataFinal: 31/02/2024 is not a valid date\n"
            "Nothing to print: the report was not shown.\n",
            "orla-vendas run: VendasPorTiposDeRecebimento has no parameter Filtro_X (orla-vendas "
            "list shows its parameters)\n",
            "usage: orla-vendas run OPERATION [NAME=VALUE ...] [options]\n"}}) {
    SCOPED_TRACE(c.lang);
    const CommandResult result = Program(refused, "/dev/null", c.lang);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Atenção: Você precisa informar o período desejado!\n" + c.said);
    const CommandResult usage =
        Program({"run", "VendasPorTiposDeRecebimento", "Filtro_X=1"}, "/dev/null", c.lang);
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_EQ(usage.err, c.usageError);
    ASSERT_EQ(Program({"run", "--help"}, help.string(), c.lang).exitCode, 0);
    EXPECT_THAT(ReadFile(help), ::testing::StartsWith(c.help));
  }
}

TEST_F(CliTest, WithoutOutAFileIsNamedAfterTheReportAndItsPeriod) {
  const fs::path before = fs::current_path();
  fs::current_path(Folder());
  const CommandResult result = Run(With(kMarch, {"--format", "pdf"}));
  // A switch among the values: the name reads the period from the dates alone.
  const CommandResult withSwitch =
      Run({"DetalhesDosMovimentosPorProdutos", "Filtro_DataInicial=01/03/2024",
           "Filtro_DataFinal=31/03/2024", "Filtro_ST_IsII=true", "--format", "xlsx"});
  fs::current_path(before);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(fs::exists(Folder() / "vendas-por-tipos-de-recebimento-2024-03.pdf")) << result.err;
  EXPECT_EQ(withSwitch.exitCode, 0) << withSwitch.err;
  EXPECT_THAT(Names(Folder()), ::testing::Contains(::testing::EndsWith("-2024-03.xlsx")));
}

}  // namespace
}  // namespace orla::cli
