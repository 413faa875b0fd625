// A host in C++: the C interface to run a report, the public C++ headers beside it (they
// must stand without any third-party header). usage: consumer DATABASE TODAY REPORT PARAMETERS
#include <iostream>
#include <memory>
#include <string>

#include <orla_vendas.h>

#include "host/value.h"
#include "service/reports.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: consumer DATABASE TODAY REPORT PARAMETERS_JSON\n";
    return 2;
  }
  orla::Reports reports;  // the class a host drives with objects of its own
  static_cast<void>(reports);
  char* error = nullptr;
  char* json = nullptr;
  orla_vendas_db* opened = nullptr;
  int status = orla_vendas_open(argv[1], &opened, &error);
  std::unique_ptr<orla_vendas_db, decltype(&orla_vendas_release)> db(opened, orla_vendas_release);
  if (status == ORLA_VENDAS_OK)
    status = orla_vendas_set_today(db.get(), argv[2], &error);
  if (status == ORLA_VENDAS_OK)
    status = orla_vendas_run(db.get(), argv[3], argv[4], &json, &error);
  if (status != ORLA_VENDAS_OK) {
    // host::Value is exported with the rest of host/.
    std::cerr << orla::host::Value(std::string(error)).Describe() << '\n';
  } else {
    std::cout << json << '\n';
  }
  orla_vendas_free(json);
  orla_vendas_free(error);
  return status == ORLA_VENDAS_OK ? 0 : 1;
}
