#include "data/Connection.h"

#include <map>

#include "data/PgConnection.h"
#include "data/SqliteConnection.h"

namespace oxqr {

bool IsServerUri(const std::string& databaseName) {
  return databaseName.starts_with("postgresql://") || databaseName.starts_with("postgres://");
}

std::shared_ptr<TConnection> Connect(const std::string& databaseName) {
  // Per thread: a connection is used by one thread at a time.
  thread_local std::map<std::string, std::weak_ptr<TConnection>> open;
  if (auto shared = open[databaseName].lock()) return shared;
  std::shared_ptr<TConnection> conn;
  if (IsServerUri(databaseName))
    conn = OpenPgConnection(databaseName);
  else
    conn = std::make_shared<TSqliteConnection>(databaseName);
  std::erase_if(open, [](const auto& entry) { return entry.second.expired(); });
  open[databaseName] = conn;
  return conn;
}

}  // namespace oxqr
