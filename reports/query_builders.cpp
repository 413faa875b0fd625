// The query builders of the reports in this library, by report kind.
#include "query/get_sql.h"

namespace orla::query {

const QueryBuilders& LibraryQueryBuilders() {
  static const QueryBuilders builders{};
  return builders;
}

}  // namespace orla::query
