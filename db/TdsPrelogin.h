#pragma once

#include <QString>
#include <optional>

// Asks a SQL Server, with nothing but a TDS PRELOGIN message that offers
// encryption, whether it would encrypt the connection; no login is sent.
// nullopt when it cannot tell (unreachable, silent within timeoutMs, an answer
// that is not a PRELOGIN answer).
std::optional<bool> serverOffersEncryption(const QString& host, int port, int timeoutMs);
