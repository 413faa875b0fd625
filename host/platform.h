// What the process around the library supplies: regional settings, the clock, the message
// box, object creation by programmatic name, the report engine's layouts and the factory of
// the three shared host objects. A host installs one per thread; tests install fakes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/command.h"
#include "host/date_time.h"
#include "host/regional_settings.h"
#include "host/report_engine.h"
#include "host/shared_objects.h"

namespace orla::host {

// Message-box style: the information icon with an OK button only.
inline constexpr int32_t kInformationStyle = 64;

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() const = 0;
};

class SystemClock final : public Clock {
 public:
  DateTime Now() const override;  // local time
};

class FixedClock final : public Clock {
 public:
  explicit FixedClock(DateTime now) : now_(now) {}
  DateTime Now() const override { return now_; }

 private:
  DateTime now_;
};

class Platform {
 public:
  explicit Platform(RegionalSettings regional = RegionalSettings::Brazilian(),
                    std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>());
  virtual ~Platform() = default;

  const RegionalSettings& Regional() const { return regional_; }
  DateTime Now() const { return clock_->Now(); }
  DateTime Today() const { return Now().DateOnly(); }
  void SetClock(std::shared_ptr<const Clock> clock) { clock_ = std::move(clock); }

  virtual int32_t MsgBox(const std::string& prompt, int32_t style, const std::string& title) = 0;
  // Raises "cannot create object" (429) for a name it does not know.
  virtual std::unique_ptr<Command> CreateCommand(std::string_view progId) = 0;
  // A fresh report of the named layout, with no data bound; raises for an unknown layout.
  virtual ReportRef CreateReport(std::string_view layoutName) = 0;

  virtual std::unique_ptr<ReportHelper> CreateReportHelper() = 0;
  virtual std::unique_ptr<HostUtilities> CreateHostUtilities() = 0;
  virtual std::unique_ptr<ErrorReporter> CreateErrorReporter() = 0;

 private:
  RegionalSettings regional_;
  std::shared_ptr<const Clock> clock_;
};

// Installs the calling thread's platform and drops the shared objects made by the previous
// one. Passing nothing uninstalls it.
void InstallPlatform(std::shared_ptr<Platform> platform);

// The calling thread's platform; raises when none is installed.
Platform& CurrentPlatform();
// The calling thread's platform, or null when none is installed.
Platform* InstalledPlatform();

// The calling thread's shared objects, created through its platform on first use.
ReportHelper& SharedReportHelper();
HostUtilities& SharedHostUtilities();
ErrorReporter& SharedErrorReporter();

}  // namespace orla::host
