#pragma once

#include <QString>
#include <cstdint>

struct DbLocation;

// Where the station is connected, for the operator's status line: the
// embedded file's full path, or the server and catalog. Never a login.
QString describeDbLocation(const DbLocation& location);

// A description as describeDbLocation made it, in the words of the interface
// language: under code page 936 "embedded" becomes "嵌入式"; the path, the
// server and the catalog stay as they are. The description itself (in the
// journal, for instance) stays English.
QString dbDescriptionForOperator(const QString& description, int32_t codePage);
