#pragma once

#include "core/tables/Schemas.h"
#include "core/tables/Table.h"

#include <memory>

namespace testsupport {

// An empty job table of the window's shape, held in memory only.
inline std::unique_ptr<TTable> jobTable() {
    const TableSpec spec = ftpEventsTable();
    auto table = std::make_unique<TTable>(spec.tableName, spec.fields);
    table->createDataSet();
    return table;
}

} // namespace testsupport
