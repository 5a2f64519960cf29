#pragma once
// A connection to a PostgreSQL server through libpq, for reading reports: one read-only
// transaction from connecting to closing, the statement timeout of DatabaseSettings().
#include <memory>
#include <string>

#include "data/Connection.h"

namespace oxqr {

// Connects to the server `uri` names (postgresql:// or postgres://); the password comes
// from the URI, PGPASSWORD or the password file, as libpq finds it. Throws EDatabaseError
// naming host, port and database (never the password) with the server's reason.
std::shared_ptr<TConnection> OpenPgConnection(const std::string& uri);

}  // namespace oxqr
