#include "core/TestAbort.h"

#include <QByteArray>
#include <QtGlobal>

#include <unistd.h>

void abortAt(const char* step) {
    // Read once: the variable is set when the process starts.
    static const QByteArray wanted = qgetenv("VORNELL_TEST_ABORT_AT");
    if (!wanted.isEmpty() && wanted == step)
        ::_exit(kTestAbortExitCode);
}
