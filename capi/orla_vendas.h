/* orla-vendas: the station's sales reports for hosts written in any language.
 *
 * A host opens a sales database, runs any of the thirteen reports by name with its
 * parameters as a JSON object, and gets back the JSON document `orla-vendas run --format
 * json` writes, or the report rendered to a file (PDF, HTML, XLSX, CSV, JSON or text).
 *
 * Every function answers a status; on anything but ORLA_VENDAS_OK it sets *error (when
 * `error` is not NULL) to a message the caller frees with orla_vendas_free. Texts are UTF-8
 * and end with a zero byte. Nothing raised inside the library reaches the caller.
 *
 * Threads: any thread may call, each on a database handle of its own; a handle serves one
 * call at a time. Reports that fill the same working tables take turns, as the database's
 * shared TempDB needs; the others run side by side.
 */
#ifndef ORLA_VENDAS_H
#define ORLA_VENDAS_H

#if defined(__GNUC__)
#define ORLA_VENDAS_API __attribute__((visibility("default")))
#else
#define ORLA_VENDAS_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef enum orla_vendas_status {
  ORLA_VENDAS_OK = 0,
  ORLA_VENDAS_INVALID_ARGUMENT = 1, /* a required pointer is NULL, a malformed today */
  ORLA_VENDAS_BAD_JSON = 2,         /* not a JSON object, or a number beyond a double */
  ORLA_VENDAS_UNKNOWN_REPORT = 3,   /* no report of that name */
  ORLA_VENDAS_BAD_PARAMETER = 4,    /* unknown, repeated or of the wrong type */
  ORLA_VENDAS_DATABASE = 5,         /* the database cannot be opened */
  ORLA_VENDAS_CLOSED = 6,           /* the handle was closed */
  ORLA_VENDAS_NOT_SHOWN = 7,        /* render: the report printed nothing, no file written */
  ORLA_VENDAS_OUTPUT = 8,           /* render: bad format or the file cannot be written */
  ORLA_VENDAS_INTERNAL = 9          /* anything else, out of memory included */
} orla_vendas_status;

typedef struct orla_vendas_db orla_vendas_db;

/* "321.0"; static, not to be freed. */
ORLA_VENDAS_API const char* orla_vendas_version(void);

/* The name of a status ("ORLA_VENDAS_BAD_JSON"); static, not to be freed. */
ORLA_VENDAS_API const char* orla_vendas_status_name(int status);

/* Frees a text the library gave (a JSON document or an error message); NULL is fine. */
ORLA_VENDAS_API void orla_vendas_free(char* text);

/* Opens the sales database `database`: the path of an SQLite file (see `orla-vendas
 * demo-db`), or a connection string `Provider=SQLite;Data Source="PATH"`. */
ORLA_VENDAS_API int orla_vendas_open(const char* database, orla_vendas_db** db, char** error);

/* Ends the use of the database: later calls on the handle answer ORLA_VENDAS_CLOSED. The
 * handle itself lives on until orla_vendas_release. Closing twice is fine. */
ORLA_VENDAS_API int orla_vendas_close(orla_vendas_db* db, char** error);

/* Closes the handle if still open and frees it; NULL is fine. Releasing a handle twice is
 * the caller's error, as freeing memory twice is: after the first call its address may
 * already belong to a handle opened since, which no check here could tell from it. */
ORLA_VENDAS_API void orla_vendas_release(orla_vendas_db* db);

/* The date the reports take as today, "YYYY-MM-DD", or NULL for the system date. */
ORLA_VENDAS_API int orla_vendas_set_today(orla_vendas_db* db, const char* today, char** error);

/* The user the printed reports name in their foot ("Impresso em ... por USER"), or NULL for
 * the login name of the process. */
ORLA_VENDAS_API int orla_vendas_set_user(orla_vendas_db* db, const char* user, char** error);

/* The reports, their parameters, types, defaults and choices, with the labels, help, checks
 * and rules a form shows, as GET /api/reports of `orla-vendas serve` answers them:
 * {"today","reports":[{"name","title","group",...,"parameters":[...]}],"pickers":[...]}.
 * `db` may be NULL; when given, its today sets the defaults. */
ORLA_VENDAS_API int orla_vendas_list(orla_vendas_db* db, char** json, char** error);

/* Runs the report `report` with `parameters`, a JSON object of parameter names to values
 * (NULL or "" for none): texts as `orla-vendas run` takes them ("01/03/2024", "true", "1"),
 * or JSON booleans and numbers. Parameters left out take their defaults. A name given twice
 * is ORLA_VENDAS_BAD_PARAMETER; a number no double holds (1e400), ORLA_VENDAS_BAD_JSON; a
 * number beyond its parameter's type (40000 for a 16-bit one), ORLA_VENDAS_BAD_PARAMETER.
 * *json receives {"operation","result","report","shown","messages","errors"}, as
 * `orla-vendas run --format json` writes it; "result" false (a refused period, a reported
 * error) is still ORLA_VENDAS_OK. */
ORLA_VENDAS_API int orla_vendas_run(orla_vendas_db* db, const char* report, const char* parameters,
                                    char** json, char** error);

/* Runs the report as orla_vendas_run does and writes what it prints to `file` in `format`
 * ("pdf", "html", "xlsx", "csv", "json", "txt"; NULL: from the file's extension), whole or
 * not at all: under a temporary name beside it, renamed over it once complete, so that a
 * failure (ORLA_VENDAS_OUTPUT) leaves an old `file` as it was. When `json` is not NULL it
 * receives the document orla_vendas_run gives, whenever the report ran, whatever the status.
 * A report that printed nothing (nothing found, or the period refused) writes no file, and
 * leaves an old one alone, and answers ORLA_VENDAS_NOT_SHOWN, its error naming a date that
 * does not exist when that was why; in json the file is that document, always written. */
ORLA_VENDAS_API int orla_vendas_render(orla_vendas_db* db, const char* report,
                                       const char* parameters, const char* format, const char* file,
                                       char** json, char** error);

#ifdef __cplusplus
}
#endif

#endif
