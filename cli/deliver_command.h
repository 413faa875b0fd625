// `orla-vendas deliver`: the subscriptions of a file delivered when due, or one of them now.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orla::deliver {

// `deliver --config FILE [--db FILE] [--due | --run NAME] [--at "YYYY-MM-DD HH:MM"]
// [--dry-run]`. Gives the exit code: 0 all delivered, 1 a delivery or a mail failed (the
// log says which), 2 a bad command line or subscriptions file (nothing runs).
int DeliverCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace orla::deliver
