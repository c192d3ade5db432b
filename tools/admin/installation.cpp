#include "tools/admin/installation.h"

#include "app/paths.h"
#include "database/statements.h"
#include "files/folder.h"
#include "files/replace.h"
#include "platform/sqlcipher_database.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;

// The entries an installation consists of that init must not overwrite unasked.
std::vector<fs::path> OwnedEntries(const fs::path& folder) {
  return {app::DatabasePath(folder), app::SetupDataPath(folder).parent_path(),
          app::ProfilesFolder(folder), app::SlideshowsFolder(folder)};
}

Outcome Failed(const std::string& what, const fs::path& path, const files::Error& error) {
  return {"cannot " + what + " " + path.string() + ": " + error.Describe()};
}

// Removes the entries of an earlier installation with `force`; links there go, not their targets.
Outcome PrepareFolder(const fs::path& folder, bool force) {
  if (const files::Status made = files::MakeFolderPath(folder); !made) {
    return Failed("make", folder, made.error());
  }
  const files::Result<files::Folder> open = files::Folder::Open(folder);
  if (!open) {
    return Failed("open", folder, open.error());
  }
  for (const fs::path& entry : OwnedEntries(folder)) {
    const std::string name = entry.filename().string();
    if (!open->Stat(name)) {
      continue;
    }
    if (!force) {
      return {folder.string() + " already holds an installation (" + name +
              "); add --force to replace it"};
    }
    if (const files::Status removed = open->RemoveTree(name); !removed) {
      return Failed("remove", entry, removed.error());
    }
  }
  return {};
}

Outcome MakeFolders(const fs::path& folder) {
  for (const fs::path& sub : {app::SetupDataPath(folder).parent_path(), app::ProfilesFolder(folder),
                              app::SlideshowsFolder(folder)}) {
    if (const files::Status made = files::MakeFolderPath(sub); !made) {
      return Failed("make", sub, made.error());
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
  if (const files::Status written = files::ReplaceFile(app::SetupDataPath(folder), ""); !written) {
    return Failed("write", app::SetupDataPath(folder), written.error());
  }
  const fs::path databasePath = app::DatabasePath(folder);
  auto db = platform::CreateDatabase(databasePath);
  if (!db || !database::CreateSchema(*db)) {
    return {"cannot make the database " + databasePath.string()};
  }
  return demo ? FillDemo(folder, *db) : Outcome{};
}

}  // namespace

Outcome OpenInstallationDatabase(const fs::path& folder,
                                 std::unique_ptr<database::DatabasePort>& db) {
  const fs::path path = app::DatabasePath(folder);
  const std::string refusal = folder.string() + " is no Vellumtide installation: ";
  const auto entry = files::StatPath(path);
  if (!entry) {
    return {refusal + "cannot open " + path.string() + ": " + entry.error().Describe()};
  }
  if (entry->type != files::EntryType::kFile) {
    return {refusal + path.string() + " is not a regular file"};
  }
  db = platform::OpenDatabase(path);
  return {};
}

Outcome UnreadableDatabase(const fs::path& folder) {
  return {"cannot read the database " + app::DatabasePath(folder).string() +
          ": damaged, or not Vellumtide's"};
}

Outcome InitInstallation(const fs::path& folder, bool force) {
  return MakeInstallation(folder, force, false);
}

Outcome MakeDemoInstallation(const fs::path& folder, bool force) {
  return MakeInstallation(folder, force, true);
}

}  // namespace vt::admin
