#pragma once

#include <QTest>
#include <array>

// The rows of a data-driven test, written as a table: the columns' types are
// the template arguments, their names are given first, then each row is its
// name followed by a value for each column in order.
//
//     DataTable<QString, int>({"text", "value"})
//         .row("plain", "25", 25)
//         .row("negative", "-5", -5);
template <typename... Columns> class DataTable {
public:
    explicit DataTable(const std::array<const char*, sizeof...(Columns)>& names) {
        std::size_t column = 0;
        (QTest::addColumn<Columns>(names[column++]), ...);
    }
    const DataTable& row(const char* name, const Columns&... values) const {
        (QTest::newRow(name) << ... << values);
        return *this;
    }
};
