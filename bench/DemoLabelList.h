#pragma once

#include "db/DemoData.h"
#include "db/LabelList.h"
#include "tests/support/TestDatabase.h"

#include <memory>

// An embedded database at path holding records made-up label records, and the
// label list of all of them in label text order, as a print run reads it.
struct DemoLabelList {
    DemoLabelList(const QString& path, int records) : dm(openEmbedded(path)) {
        QSqlDatabase db = dm->conADO();
        addDemoLabels(db, records);
        list = std::make_unique<LabelList>(dm->connectionName());
        list->open({"SELECT * FROM PrintLabel ORDER BY LabelText"});
    }

    std::unique_ptr<TDMdata> dm;
    std::unique_ptr<LabelList> list;
};
