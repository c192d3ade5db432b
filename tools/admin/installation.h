#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "database/database_port.h"

namespace vt::admin {

// What a command did: an empty error means success; otherwise a message for the organiser.
struct Outcome {
  std::string error;
  explicit operator bool() const { return error.empty(); }
};

// Makes an empty installation in `folder` (made when missing): the enciphered database with its
// three tables and no rows, an empty setup-data file, and the folders Profile and Slideshows.
// A folder that already holds pf.db, Vellumtide, Profile or Slideshows is refused and left as it
// was, unless `force`, which replaces those four.
Outcome InitInstallation(const std::filesystem::path& folder, bool force);

// An empty installation as InitInstallation makes it, filled with the sample groups, persons,
// category captions and profiles.
Outcome MakeDemoInstallation(const std::filesystem::path& folder, bool force);

// Opens the database of the installation in `folder`; fails, naming the file and the cause, when
// the folder holds none.
Outcome OpenInstallationDatabase(const std::filesystem::path& folder,
                                 std::unique_ptr<database::DatabasePort>& db);

// What a command says when a read from that database fails.
Outcome UnreadableDatabase(const std::filesystem::path& folder);

// Writes the demo's rows, setup data and profiles into an empty installation.
Outcome FillDemo(const std::filesystem::path& folder, database::DatabasePort& db);

}  // namespace vt::admin
