#include "host/platform.h"

#include <chrono>
#include <ctime>

#include "host/errors.h"

namespace orla::host {

namespace {

struct ThreadHost {
  std::shared_ptr<Platform> platform;
  std::unique_ptr<ReportHelper> reportHelper;
  std::unique_ptr<HostUtilities> hostUtilities;
  std::unique_ptr<ErrorReporter> errorReporter;
};

ThreadHost& ThisThread() {
  thread_local ThreadHost host;
  return host;
}

template <typename T, typename Make>
T& Shared(std::unique_ptr<T>& slot, Make make) {
  if (!slot) {
    slot = make(CurrentPlatform());
    if (!slot) {
      throw HostError(error_number::kCannotCreateObject, "The host did not create a shared object");
    }
  }
  return *slot;
}

}  // namespace

DateTime SystemClock::Now() const {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  return *DateTime::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                              local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec);
}

Platform::Platform(RegionalSettings regional, std::shared_ptr<const Clock> clock)
    : regional_(std::move(regional)), clock_(std::move(clock)) {}

void InstallPlatform(std::shared_ptr<Platform> platform) {
  ThreadHost& host = ThisThread();
  host.reportHelper.reset();
  host.hostUtilities.reset();
  host.errorReporter.reset();
  host.platform = std::move(platform);
}

Platform& CurrentPlatform() {
  Platform* platform = InstalledPlatform();
  if (platform == nullptr) {
    throw HostError(error_number::kCannotCreateObject, "No host platform is installed");
  }
  return *platform;
}

Platform* InstalledPlatform() {
  return ThisThread().platform.get();
}

ReportHelper& SharedReportHelper() {
  return Shared(ThisThread().reportHelper, [](Platform& p) { return p.CreateReportHelper(); });
}

HostUtilities& SharedHostUtilities() {
  return Shared(ThisThread().hostUtilities, [](Platform& p) { return p.CreateHostUtilities(); });
}

ErrorReporter& SharedErrorReporter() {
  return Shared(ThisThread().errorReporter, [](Platform& p) { return p.CreateErrorReporter(); });
}

}  // namespace orla::host
