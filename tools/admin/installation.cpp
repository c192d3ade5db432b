#include "tools/admin/installation.h"

#include "app/paths.h"
#include "database/statements.h"
#include "platform/sqlcipher_database.h"
#include "textdata/text_file.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;

// The entries an installation consists of that init must not overwrite unasked.
std::vector<fs::path> OwnedEntries(const fs::path& folder) {
  return {app::DatabasePath(folder), app::SetupDataPath(folder).parent_path(),
          app::ProfilesFolder(folder)};
}

Outcome PrepareFolder(const fs::path& folder, bool force) {
  std::error_code ec;
  if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
    return {folder.string() + " exists and is not a folder"};
  }
  for (const fs::path& entry : OwnedEntries(folder)) {
    if (!fs::exists(fs::symlink_status(entry, ec))) {
      continue;
    }
    if (!force) {
      return {folder.string() + " already holds an installation (" + entry.filename().string() +
              "); add --force to replace it"};
    }
    fs::remove_all(entry, ec);
    if (ec) {
      return {"cannot remove " + entry.string() + ": " + ec.message()};
    }
  }
  fs::create_directories(folder, ec);
  if (ec) {
    return {"cannot make " + folder.string() + ": " + ec.message()};
  }
  return {};
}

Outcome MakeFolders(const fs::path& folder) {
  for (const fs::path& sub : {app::SetupDataPath(folder).parent_path(), app::ProfilesFolder(folder),
                              app::SlideshowsFolder(folder)}) {
    std::error_code ec;
    fs::create_directories(sub, ec);
    if (ec) {
      return {"cannot make " + sub.string() + ": " + ec.message()};
    }
  }
  return {};
}

Outcome MakeInstallation(const fs::path& folder, bool force, bool demo) {
  if (Outcome prepared = PrepareFolder(folder, force); !prepared) {
    return prepared;
  }
  if (Outcome folders = MakeFolders(folder); !folders) {
    return folders;
  }
  if (!textdata::ReplaceFileAtomically(app::SetupDataPath(folder), "")) {
    return {"cannot write " + app::SetupDataPath(folder).string()};
  }
  const fs::path databasePath = app::DatabasePath(folder);
  auto db = platform::CreateDatabase(databasePath);
  if (!db || !database::CreateSchema(*db)) {
    return {"cannot make the database " + databasePath.string()};
  }
  return demo ? FillDemo(folder, *db) : Outcome{};
}

}  // namespace

Outcome InitInstallation(const fs::path& folder, bool force) {
  return MakeInstallation(folder, force, false);
}

Outcome MakeDemoInstallation(const fs::path& folder, bool force) {
  return MakeInstallation(folder, force, true);
}

}  // namespace vt::admin
