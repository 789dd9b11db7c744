#include "datatable/Types.h"

#include <string>

#include "datatable/Errors.h"

namespace stp {

TColumnSet MakeColumnSet(std::initializer_list<int> Columns) {
    TColumnSet set;
    for (int column : Columns) {
        if (column >= 0 && column < kColumnSetSize) set.set(static_cast<std::size_t>(column));
    }
    return set;
}

bool InColumnSet(const TColumnSet& Set, int Column) {
    return Column >= 0 && Column < kColumnSetSize && Set.test(static_cast<std::size_t>(Column));
}

void CheckListIndex(std::int32_t Index, std::size_t Count) {
    if (Index < 0 || static_cast<std::size_t>(Index) >= Count) {
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    }
}

}  // namespace stp
