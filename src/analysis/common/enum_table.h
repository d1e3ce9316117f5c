// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace analysis {

// Whether every row of `table` stands at the index of its own enumerator (`key` picks it
// from a row), so that an enumerator can index its row directly.
template <typename Table, typename Key>
constexpr bool RowsInEnumOrder(const Table& table, Key key) {
    for (std::size_t index = 0; index < table.size(); ++index) {
        if (static_cast<std::size_t>(key(table[index])) != index) {
            return false;
        }
    }
    return true;
}

} // namespace analysis
