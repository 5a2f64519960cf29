#pragma once
// Settings of the database connections a report opens, changed before the report runs
// (--set Database.StatementTimeout=30).
namespace oxqr {

struct TDatabaseSettings {
  // Seconds a server may spend on one statement before it cancels it; 0 for no limit.
  int StatementTimeout = 0;
};

TDatabaseSettings& DatabaseSettings();

}  // namespace oxqr
