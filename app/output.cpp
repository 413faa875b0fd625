#include "app/output.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <streambuf>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "app/value_texts.h"
#include "engine/report.h"
#include "hostlib/messages.h"

namespace orla::app {

namespace {

using nlohmann::ordered_json;

std::string Reason(int error) {
  return std::generic_category().message(error);
}

OutputError CannotWrite(const std::string& file, int error) {
  return OutputError(hostlib::Say("cannot write %s: %s", {file, Reason(error)}));
}

// The temporary file a signal must not leave behind. One at a time: the program writes one
// file at a time, and a second one simply goes unregistered.
enum SlotState : int { kFree, kFilling, kHeld };
std::atomic<int> slotState{kFree};
std::array<char, 4096> slotPath{};
std::atomic<bool> signalsTaken{false};

extern "C" void RemoveHeldAndEnd(int signal) {
  if (slotState.load() == kHeld) {
    ::unlink(slotPath.data());
  }
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  ::sigaction(signal, &fallback, nullptr);
  ::raise(signal);  // delivered, to end the program, once this handler returns
}

bool HoldForSignals(const std::filesystem::path& path) {
  const std::string& text = path.native();
  int expected = kFree;
  if (!signalsTaken.load() || text.size() >= slotPath.size() ||
      !slotState.compare_exchange_strong(expected, kFilling)) {
    return false;
  }
  std::memcpy(slotPath.data(), text.c_str(), text.size() + 1);
  slotState.store(kHeld);
  return true;
}

std::string UniqueSuffix() {
  static std::atomic<uint64_t> count{0};
  const uint64_t mixed =
      (static_cast<uint64_t>(::getpid()) << 32) ^
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      (++count * 0x9E3779B97F4A7C15ULL);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string suffix;
  for (int shift = 0; shift < 40; shift += 4) {
    suffix += kHex[(mixed >> shift) & 0xF];
  }
  return suffix;
}

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

engine::Report* EngineReport(const host::ReportRef& report) {
  return dynamic_cast<engine::Report*>(report.get());
}

void WriteJson(const RunOutcome& outcome, std::ostream& out) {
  out << "{\"operation\":" << JsonText(outcome.operation)
      << ",\"result\":" << (outcome.result ? "true" : "false") << ",\"report\":";
  if (engine::Report* report = EngineReport(outcome.report)) {
    engine::WriteReportJson(*report, out);
  } else {
    out << "null";
  }
  // The message boxes keep the library's shape; the host's lines after them (which date it
  // could not read) go beside, and only when there are some.
  ordered_json messages = ordered_json::array();
  ordered_json details = ordered_json::array();
  for (const hostlib::MessageRecord& m : outcome.session.Messages()) {
    messages.push_back({{"text", m.text}, {"title", m.title}, {"style", m.style}});
    for (const std::string& line : m.details) {
      details.push_back(line);
    }
  }
  ordered_json errors = ordered_json::array();
  for (const hostlib::ErrorRecord& e : outcome.session.Errors()) {
    errors.push_back({{"procedure", e.procedure}, {"description", e.description}});
  }
  out << ",\"shown\":" << (outcome.shown ? "true" : "false")
      << ",\"messages\":" << JsonText(messages) << ",\"errors\":" << JsonText(errors);
  if (!details.empty()) {
    out << ",\"details\":" << JsonText(details);
  }
  out << "}\n";
}

// Runs `write` and gives what it raises (the engine's failure to write a file, a database
// error while the rows are read) as an OutputError naming `shownAs`, the file as the user
// knows it, where the engine names the temporary it was given.
template <typename Write>
void Naming(const std::string& shownAs, const ReplacingFile& file, Write&& write) {
  try {
    write();
  } catch (const OutputError&) {
    throw;
  } catch (const host::HostError& e) {
    std::string reason = e.Description();
    const std::string temporary = file.TemporaryPath().string();
    if (const size_t at = reason.find(temporary); at != std::string::npos) {
      reason.replace(at, temporary.size(), shownAs);
    }
    throw OutputError(reason == "Cannot write " + shownAs
                          ? hostlib::Say("cannot write %s", {shownAs})
                          : hostlib::Say("cannot write %s: %s", {shownAs, reason}));
  }
}

void RenderInto(engine::Report& report, engine::Format format, ReplacingFile& file,
                const std::string& shownAs, const engine::RenderOptions& render) {
  Naming(shownAs, file, [&] {
    if (engine::IsTextFormat(format)) {
      engine::Render(report, format, file.Stream(), render);
    } else {
      engine::Render(report, format, file.TemporaryPath(), render);
    }
  });
}

// Nothing was written: a report left at the path by an earlier run would pass for this one's.
// Gives the path when there was one to remove.
std::string RemoveOld(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  // Only a report can be left behind: a device (/dev/null), a pipe or a folder is no report,
  // and removing a device node would break every program that writes to it.
  if (!std::filesystem::is_regular_file(status) &&
      !(std::filesystem::is_symlink(status) &&
        std::filesystem::is_regular_file(std::filesystem::status(path, error)))) {
    return "";
  }
  if (!error) {
    if (std::filesystem::remove(path, error)) {
      return path;
    }
    if (!error) {
      return "";  // gone meanwhile
    }
  }
  throw OutputError(hostlib::Say("cannot remove the old %s: %s", {path, error.message()}));
}

}  // namespace

OutputError::OutputError(const std::string& message)
    : host::HostError(host::error_number::kInvalidProcedureCall, message, "orla-vendas") {}

// Writes straight to the descriptor and keeps the first error, which a std::filebuf forgets.
class OutputFile::Buffer final : public std::streambuf {
 public:
  explicit Buffer(int descriptor) : descriptor_(descriptor) { Reset(); }

  int Error() const { return error_; }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) {
      return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }

  int sync() override { return Drain() ? 0 : -1; }

 private:
  void Reset() { setp(bytes_.data(), bytes_.data() + bytes_.size()); }

  bool Drain() {
    const char* next = pbase();
    size_t left = static_cast<size_t>(pptr() - pbase());
    while (left > 0 && error_ == 0) {
      const ssize_t written = ::write(descriptor_, next, left);
      if (written < 0) {
        if (errno != EINTR) {
          error_ = errno;
        }
        continue;
      }
      next += written;
      left -= static_cast<size_t>(written);
    }
    Reset();
    return error_ == 0;
  }

  int descriptor_;
  int error_ = 0;
  std::array<char, 64 * 1024> bytes_;
};

OutputFile::OutputFile(const std::filesystem::path& path)
    : descriptor_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) {
  const int error = errno;
  if (descriptor_ < 0) {
    throw CannotWrite(path.string(), error);
  }
  try {
    Start(path.string());
  } catch (...) {
    ::close(descriptor_);
    throw;
  }
}

OutputFile::OutputFile(int descriptor, std::string shownAs) : descriptor_(descriptor) {
  Start(std::move(shownAs));
}

void OutputFile::Start(std::string shownAs) {
  shownAs_ = std::move(shownAs);
  buffer_ = std::make_unique<Buffer>(descriptor_);
  stream_ = std::make_unique<std::ostream>(buffer_.get());
}

OutputFile::~OutputFile() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
  }
}

void OutputFile::Close(bool sync) {
  if (descriptor_ < 0) {
    return;
  }
  // Straight to the buffer: a stream gone bad would skip the flush.
  buffer_->pubsync();
  int error = buffer_->Error();
  // A pipe or a terminal (`--trace-sql /dev/stderr`) cannot be synced, and need not be.
  if (error == 0 && sync && ::fsync(descriptor_) != 0 && errno != EINVAL) {
    error = errno;
  }
  // Linux frees the descriptor even when close fails, so it is never closed twice.
  if (::close(descriptor_) != 0 && error == 0 && errno != EINTR) {
    error = errno;
  }
  descriptor_ = -1;
  if (error != 0) {
    throw CannotWrite(shownAs_, error);
  }
}

ReplacingFile::ReplacingFile(const std::filesystem::path& target) : target_(target) {
  std::error_code ignored;
  const std::filesystem::file_status status = std::filesystem::status(target, ignored);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
      !std::filesystem::is_directory(status)) {
    // A device or a pipe (/dev/null, a FIFO a script reads) is written in place: renaming
    // over it would put a plain file where the device node was.
    const int descriptor = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (descriptor < 0) {
      throw CannotWrite(target_.string(), errno);
    }
    temporary_ = target;
    inPlace_ = true;
    try {
      file_.reset(new OutputFile(descriptor, target_.string()));
    } catch (...) {
      ::close(descriptor);
      throw;
    }
    return;
  }
  // A link keeps pointing at the report: the file it names is the one replaced.
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(target, ignored))) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::weakly_canonical(target, error);
    if (!error) {
      target_ = std::move(real);
    }
  }
  const std::filesystem::path folder =
      target_.has_parent_path() ? target_.parent_path() : std::filesystem::path(".");
  // Hidden, and short enough for a name however long the target's is.
  const std::string stem = "." + target_.filename().string().substr(0, 200) + ".";
  int descriptor = -1;
  int error = EEXIST;
  for (int attempt = 0; descriptor < 0 && error == EEXIST && attempt < 100; ++attempt) {
    temporary_ = folder / (stem + UniqueSuffix() + ".tmp");
    descriptor = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    error = errno;
  }
  if (descriptor < 0) {
    throw CannotWrite(target.string(), error);
  }
  try {
    file_.reset(new OutputFile(descriptor, target.string()));
  } catch (...) {
    ::close(descriptor);
    ::unlink(temporary_.c_str());
    throw;
  }
  held_ = HoldForSignals(temporary_);
}

ReplacingFile::~ReplacingFile() {
  file_.reset();
  if (!committed_ && !inPlace_) {
    ::unlink(temporary_.c_str());
  }
  if (held_) {
    slotState.store(kFree);
  }
}

void ReplacingFile::Close() {
  if (!closed_) {
    closed_ = true;
    file_->Close(/*sync=*/!inPlace_);
  }
}

void ReplacingFile::Commit() {
  Close();
  if (!inPlace_ && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    throw CannotWrite(target_.string(), error);
  }
  committed_ = true;
}

void RemoveTemporaryFilesOnSignal() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    struct sigaction current {};
    // A signal the caller ignores or handles stays as it was.
    if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction removing {};
    removing.sa_handler = RemoveHeldAndEnd;
    sigemptyset(&removing.sa_mask);
    ::sigaction(signal, &removing, nullptr);
  }
  signalsTaken.store(true);
}

std::string JsonText(const ordered_json& value) {
  return value.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

engine::Format FormatOfFile(const std::string& file) {
  std::string extension = Lowercase(std::filesystem::path(file).extension().string());
  if (extension == ".htm") {
    extension = ".html";
  }
  if (extension.size() > 1) {
    if (auto format = engine::ParseFormat(extension.substr(1))) {
      return *format;
    }
  }
  throw UsageError(
      hostlib::Say("--out %s: cannot tell the format from the file name; add "
                   "--format pdf|html|xlsx|csv|json|txt",
                   {file}));
}

void WriteReport(engine::Report& report, engine::Format format, const std::string& file,
                 std::ostream& out, const engine::RenderOptions& render) {
  if (file != kStandardOutput) {
    ReplacingFile replacing(file);
    RenderInto(report, format, replacing, file, render);
    replacing.Commit();
    return;
  }
  if (engine::IsTextFormat(format)) {
    engine::Render(report, format, out, render);
    return;
  }
  // PDF and XLSX are written to files only: to one in the temporary folder, then copied.
  const std::filesystem::path scratch = std::filesystem::temp_directory_path() /
                                        ("orla-vendas." + std::string(engine::FormatName(format)));
  ReplacingFile copy(scratch);
  RenderInto(report, format, copy, copy.TemporaryPath().string(), render);
  copy.Close();
  std::ifstream written(copy.TemporaryPath(), std::ios::binary);
  if (!written) {
    throw OutputError(hostlib::Say("cannot read back %s", {copy.TemporaryPath().string()}));
  }
  out << written.rdbuf();
}

void WriteOutcome(const RunOutcome& outcome, engine::Format format,
                  const std::optional<std::string>& file, std::ostream& out, std::ostream& err,
                  const engine::RenderOptions& render) {
  if (format == engine::Format::Json) {
    if (!file || *file == kStandardOutput) {
      WriteJson(outcome, out);
      return;
    }
    ReplacingFile replacing(*file);
    Naming(*file, replacing, [&] { WriteJson(outcome, replacing.Stream()); });
    replacing.Commit();
    err << hostlib::Say("Wrote %s", {*file}) << '\n';
    return;
  }
  const bool toOut = file ? *file == kStandardOutput : engine::IsTextFormat(format);
  const std::string path =
      file ? *file : outcome.operation + "." + std::string(engine::FormatName(format));
  engine::Report* report = EngineReport(outcome.report);
  if (!outcome.shown || report == nullptr) {
    const std::string removed = toOut ? "" : RemoveOld(path);
    err << (removed.empty()
                ? hostlib::Say("Nothing to print: the report was not shown.")
                : hostlib::Say("Nothing to print: the report was not shown; removed the "
                               "old %s.",
                               {removed}))
        << '\n';
    return;
  }
  WriteReport(*report, format, toOut ? std::string(kStandardOutput) : path, out, render);
  if (!toOut) {
    err << hostlib::Say("Wrote %s", {std::filesystem::absolute(path).string()}) << '\n';
  }
}

}  // namespace orla::app
