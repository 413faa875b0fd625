// The host application's own objects that the operations receive.
#pragma once

#include <memory>

#include "host/report_engine.h"
#include "host/value.h"

namespace orla::host {

// A host object the library only passes along (the parent form, the user).
class Object {
 public:
  virtual ~Object() = default;
};

class Company : public Object {
 public:
  virtual Value CNPJ() = 0;         // the tax number
  virtual Value RazaoSocial() = 0;  // the registered name
};

class Viewer : public Object {
 public:
  // Only this is read by the library; a null reads as false.
  virtual Value Visible() = 0;
  // What the host's ReportHelper uses to show a report.
  virtual void SetReportSource(ReportRef report) = 0;
  virtual void ViewReport() = 0;
};

}  // namespace orla::host
