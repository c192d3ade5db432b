#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "tools/admin/installation.h"

namespace vt::admin {

// How a batch of photos runs: how many pictures are made at once, and whether progress goes to a
// terminal (one line rewritten in place) or to a file or pipe (a plain line per picture).
struct PhotosRun {
  unsigned jobs = 1;
  bool terminal = false;
};

// What the batch did: the photos made, and why it failed when it did.
struct PhotosOutcome {
  std::size_t made = 0;
  Outcome outcome;
};

// The jobs `--jobs` asks for, a whole number from 1 to 1024; when it is not given, one per core.
// No value for anything else.
std::optional<unsigned> JobsFrom(const std::optional<std::string>& option);

// Makes every picture in `folder` whose name without its extension is the identifier of a person
// in the installation's database that person's profile photo, each exactly as ChangePhoto makes
// it, `run.jobs` pictures at once. Progress and what the wizard says go to `out`, a line for each
// picture that failed to `err`, and at the end `out` lists the entries that match nobody and the
// persons who have no picture. A link or anything but a regular file, and a person's picture when
// there are several, is refused by name. Fails when the installation's database or the folder
// cannot be read (nothing is changed then) or when any picture failed.
PhotosOutcome ChangePhotos(const std::filesystem::path& installation,
                           const std::filesystem::path& folder, const PhotosRun& run,
                           std::FILE* out, std::FILE* err);

// The progress line after `done` of `total` pictures: the count, the rate and the time left.
std::string ProgressText(std::size_t done, std::size_t total,
                         std::chrono::duration<double> elapsed);

}  // namespace vt::admin
