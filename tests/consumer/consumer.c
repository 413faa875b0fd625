/* A host in C: runs one report through the installed library and prints its document.
 * usage: consumer DATABASE TODAY REPORT PARAMETERS_JSON */
#include <orla_vendas.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: %s DATABASE TODAY REPORT PARAMETERS_JSON\n", argv[0]);
    return 2;
  }
  orla_vendas_db* db = NULL;
  char* error = NULL;
  char* json = NULL;
  int status = orla_vendas_open(argv[1], &db, &error);
  if (status == ORLA_VENDAS_OK)
    status = orla_vendas_set_today(db, argv[2], &error);
  if (status == ORLA_VENDAS_OK)
    status = orla_vendas_run(db, argv[3], argv[4], &json, &error);
  if (status != ORLA_VENDAS_OK) {
    fprintf(stderr, "%s: %s\n", orla_vendas_status_name(status), error);
  } else {
    printf("%s\n", json);
  }
  orla_vendas_free(json);
  orla_vendas_free(error);
  orla_vendas_release(db);
  return status == ORLA_VENDAS_OK ? 0 : 1;
}
