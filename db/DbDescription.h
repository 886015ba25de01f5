#pragma once

#include <QString>

struct DbLocation;

// Where the station is connected, for the operator's status line: the
// embedded file's full path, or the server and catalog. Never a login.
QString describeDbLocation(const DbLocation& location);
