#include "tools/admin/photos.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "files/folder.h"
#include "textdata/encoding.h"
#include "textdata/text.h"
#include "tools/admin/attach.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr unsigned kMaxJobs = 1024;

struct Person {
  std::string id;
  std::string name;  // first and last
};

// An entry of the folder whose name names a person, and what became of it.
struct Picture {
  std::string name;
  std::string profileId;
  std::string error;     // empty once it is the person's photo
  std::string messages;  // what the wizard said meanwhile
  bool refused = false;  // never handed to the wizard
};

// The pictures to make, in name order, and what the batch leaves out.
struct Plan {
  std::vector<Picture> pictures;
  std::vector<std::string> unmatched;
  std::vector<Person> withoutPicture;
};

// The persons of the database, by identifier.
Outcome ReadPersons(const fs::path& installation, std::map<std::string, Person>& persons) {
  std::unique_ptr<database::DatabasePort> db;
  if (Outcome opened = OpenInstallationDatabase(installation, db); !opened) {
    return opened;
  }
  const auto rows = db->Execute("SELECT p_id, p_fname, p_lname FROM persons");
  if (!rows || !rows->Complete()) {
    return UnreadableDatabase(installation);
  }
  for (std::size_t i = 0; i < rows->RowCount(); ++i) {
    if (auto id = rows->Field(i, "p_id")) {
      // Each name on its own: an older program may have stored one of them in Windows-1252.
      const auto name = [&](const char* column) {
        return textdata::DecodeText(rows->Field(i, column).value_or(""));
      };
      persons[*id] = {*id, textdata::TrimBlanks(name("p_fname") + " " + name("p_lname"))};
    }
  }
  return {};
}

// What stands in the way of an entry being taken as a picture; empty when nothing does.
std::string Refusal(const files::Entry& entry, const fs::path& folder) {
  const std::string path = (folder / entry.name).string();
  switch (entry.type) {
    case files::EntryType::kFile:
      return {};
    case files::EntryType::kLink:
      return path + " is a link, not a picture";
    default:
      return path + " is not a regular file, not a picture";
  }
}

// A person with several pictures gets none of them: which one is meant is the organiser's choice.
void RefuseSeveralOfOne(std::vector<Picture>& pictures) {
  std::map<std::string, std::size_t> count;
  for (const Picture& picture : pictures) {
    ++count[picture.profileId];
  }
  for (Picture& picture : pictures) {
    if (const std::size_t n = count[picture.profileId]; n > 1 && !picture.refused) {
      picture.error = std::to_string(n) + " pictures here are named " + picture.profileId +
                      ": none of them was taken";
      picture.refused = true;
    }
  }
}

Outcome MakePlan(const fs::path& installation, const fs::path& folder, Plan& plan) {
  std::map<std::string, Person> persons;
  if (Outcome read = ReadPersons(installation, persons); !read) {
    return read;
  }
  const auto opened = files::Folder::Open(folder);
  const auto entries =
      opened ? opened->List() : files::Result<std::vector<files::Entry>>(opened.error());
  if (!entries) {
    return {"cannot list the pictures in " + folder.string() + ": " + entries.error().Describe()};
  }
  for (const files::Entry& entry : *entries) {
    if (entry.type == files::EntryType::kFolder) {
      continue;
    }
    const auto person = persons.find(fs::path(entry.name).stem().string());
    if (person == persons.end()) {
      plan.unmatched.push_back(entry.name);
      continue;
    }
    std::string refusal = Refusal(entry, folder);
    const bool refused = !refusal.empty();
    plan.pictures.push_back({entry.name, person->first, std::move(refusal), {}, refused});
  }
  RefuseSeveralOfOne(plan.pictures);
  for (const Picture& picture : plan.pictures) {
    persons.erase(picture.profileId);
  }
  for (auto& [id, person] : persons) {
    plan.withoutPicture.push_back(std::move(person));
  }
  return {};
}

// The wizard's messages while one picture is made, kept apart from the other jobs' in memory.
class Messages {
 public:
  Messages() : stream_(::open_memstream(&buffer_, &size_)) {}
  ~Messages() {
    Close();
    std::free(buffer_);
  }
  Messages(const Messages&) = delete;
  Messages& operator=(const Messages&) = delete;

  std::FILE* stream() const { return stream_; }
  std::string Text() {
    Close();
    return buffer_ ? std::string(buffer_, size_) : std::string();
  }

 private:
  void Close() {
    if (stream_) {
      std::fclose(stream_);
      stream_ = nullptr;
    }
  }

  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* stream_;
};

void MakePhoto(const fs::path& installation, const fs::path& folder, Picture& picture) {
  Messages messages;
  if (!messages.stream()) {
    picture.error = "no memory left for the wizard's messages";
    return;
  }
  picture.error =
      ChangePhoto(installation, picture.profileId, folder / picture.name, messages.stream()).error;
  picture.messages = messages.Text();
}

// Shows how far the batch is; called by one job at a time.
class Progress {
 public:
  Progress(std::FILE* out, bool terminal, std::size_t total)
      : out_(out), terminal_(terminal), total_(total) {}

  void Finished() {
    const std::string text = ProgressText(++done_, total_, Clock::now() - start_);
    std::fprintf(out_, terminal_ ? "\r%s\033[K" : "%s\n", text.c_str());
    if (terminal_ && done_ == total_) {
      std::fputc('\n', out_);
    }
    std::fflush(out_);
  }

 private:
  std::FILE* out_;
  bool terminal_;
  std::size_t total_;
  std::size_t done_ = 0;
  Clock::time_point start_ = Clock::now();
};

// Makes the pictures not refused, `jobs` at a time. Each job takes the next picture from a shared
// counter and makes it through a wizard of its own (its own database connection, its own raster);
// each picture's result is written by the one job that made it.
void MakePhotos(const fs::path& installation, const fs::path& folder,
                const std::vector<Picture*>& todo, unsigned jobs, Progress& progress) {
  std::atomic<std::size_t> next = 0;
  std::mutex progressLock;
  const auto job = [&] {
    for (std::size_t i = next++; i < todo.size(); i = next++) {
      MakePhoto(installation, folder, *todo[i]);
      const std::lock_guard lock(progressLock);
      progress.Finished();
    }
  };
  std::vector<std::jthread> threads;
  for (unsigned j = 1; j < std::min<std::size_t>(jobs, todo.size()); ++j) {
    threads.emplace_back(job);
  }
  job();
}

std::string Count(std::size_t n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

void ReportPictures(const Plan& plan, std::FILE* out, std::FILE* err) {
  for (const Picture& picture : plan.pictures) {
    std::fputs(picture.messages.c_str(), out);
    if (!picture.error.empty()) {
      std::fflush(out);  // both streams may go to one place: keep the order written
      std::fprintf(err, "vellumtide-admin: %s: %s\n", picture.name.c_str(), picture.error.c_str());
    }
  }
  if (!plan.unmatched.empty()) {
    std::fprintf(out, "Matching nobody (%zu):\n", plan.unmatched.size());
    for (const std::string& name : plan.unmatched) {
      std::fprintf(out, "  %s\n", name.c_str());
    }
  }
  if (!plan.withoutPicture.empty()) {
    std::fprintf(out, "Persons without a picture (%zu):\n", plan.withoutPicture.size());
    for (const Person& person : plan.withoutPicture) {
      std::fprintf(out, "  %s %s\n", person.id.c_str(), person.name.c_str());
    }
  }
  std::fflush(out);
}

// "3 s", "2 min 5 s", "1 h 4 min".
std::string Duration(double seconds) {
  const auto s = static_cast<long long>(seconds + 0.5);
  if (s < 60) {
    return std::to_string(s) + " s";
  }
  if (s < 3600) {
    return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
  }
  return std::to_string(s / 3600) + " h " + std::to_string(s / 60 % 60) + " min";
}

}  // namespace

std::optional<unsigned> JobsFrom(const std::optional<std::string>& option) {
  if (!option) {
    return std::max(1u, std::thread::hardware_concurrency());
  }
  unsigned jobs = 0;
  const char* end = option->data() + option->size();
  const auto [stop, error] = std::from_chars(option->data(), end, jobs);
  if (error != std::errc() || stop != end || jobs < 1 || jobs > kMaxJobs) {
    return std::nullopt;
  }
  return jobs;
}

PhotosOutcome ChangePhotos(const fs::path& installation, const fs::path& folder,
                           const PhotosRun& run, std::FILE* out, std::FILE* err) {
  Plan plan;
  if (Outcome planned = MakePlan(installation, folder, plan); !planned) {
    return {0, planned};
  }
  std::vector<Picture*> todo;
  for (Picture& picture : plan.pictures) {
    if (!picture.refused) {
      todo.push_back(&picture);
    }
  }
  Progress progress(out, run.terminal, todo.size());
  MakePhotos(installation, folder, todo, run.jobs, progress);
  ReportPictures(plan, out, err);
  std::size_t failed = 0;
  for (const Picture& picture : plan.pictures) {
    failed += picture.error.empty() ? 0 : 1;
  }
  const std::size_t made = plan.pictures.size() - failed;
  if (failed > 0) {
    return {made,
            {Count(failed, "picture") + " of " + std::to_string(plan.pictures.size()) +
             " failed; " + Count(made, "profile photo") + " made"}};
  }
  return {made, {}};
}

std::string ProgressText(std::size_t done, std::size_t total,
                         std::chrono::duration<double> elapsed) {
  std::string text = std::to_string(done) + "/" + std::to_string(total) + " done";
  if (done == 0 || elapsed.count() <= 0) {
    return text;
  }
  const double rate = static_cast<double>(done) / elapsed.count();
  char rateText[32];
  std::snprintf(rateText, sizeof rateText, "%.1f", rate);
  text += ", " + std::string(rateText) + " pictures a second";
  if (done < total) {
    text += ", " + Duration(static_cast<double>(total - done) / rate) + " left";
  }
  return text;
}

}  // namespace vt::admin
