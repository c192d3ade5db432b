// Slideshow import probe for bench/import.sh:
//   import_bench pack PACKAGE HEADER LINES FILE...  makes a package whose slides are the files,
//                                         with LINES empty lines in its description, and writes
//                                         its header text to HEADER (many entries do not fit the
//                                         1000-byte trailer, so it stands apart)
//   import_bench import PACKAGE HEADER SLIDESHOWS  imports it as the slideshow "show" there, as the
//                                         wizard does; prints the seconds and the peak resident
//                                         memory in kilobytes
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files/copy.h"
#include "files/read.h"
#include "files/replace.h"
#include "slideshow/import.h"
#include "textdata/tagged_text.h"

namespace {

namespace fs = std::filesystem;

std::string Element(const std::string& name, const std::string& value) {
  return vt::textdata::OpeningTag(name) + value + vt::textdata::ClosingTag(name);
}

// A description as a slideshow maker writes it: every key the import reads is there, so the
// import writes no defaults into it; `lines` empty lines stand before its voice flags.
std::string Description(std::size_t slides, std::size_t lines) {
  std::string text = "[SLIDESHOW]\r\ntotal=" + std::to_string(slides) + "\r\n";
  for (std::size_t i = 0; i < lines; ++i) {
    text += "\r\n";
  }
  text += "[VOICE]\r\n";
  for (std::size_t n = 1; n <= slides; ++n) {
    text += std::to_string(n) + "=0\r\n";
  }
  return text + "[BGMUSIC]\r\nEnable=0\r\n";
}

bool WriteAll(int fd, const std::string& bytes) {
  return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

// Appends the file to `out`; its size, or -1.
long long AppendFile(const fs::path& file, int out) {
  const auto in = vt::files::OpenForReading(file);
  if (!in) {
    return -1;
  }
  const auto copied = vt::files::CopyRange(in->fd.get(), 0, in->size, out);
  return copied && *copied == in->size ? static_cast<long long>(in->size) : -1;
}

int Pack(const fs::path& package, const fs::path& headerFile, std::size_t lines,
         const std::vector<fs::path>& files) {
  const int out = ::open(package.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const std::string description = Description(files.size(), lines);
  std::string header = Element("ssdat_size", std::to_string(description.size()));
  bool ok = out >= 0 && WriteAll(out, description);
  long long position = static_cast<long long>(description.size()) + 1;
  for (std::size_t i = 0; ok && i < files.size(); ++i) {
    const long long size = AppendFile(files[i], out);
    const std::string slide = "slide_" + std::to_string(i + 1) + "_";
    header += Element(slide + "name", files[i].filename().string()) +
              Element(slide + "size", std::to_string(size)) +
              Element(slide + "start_pos", std::to_string(position));
    position += size;
    ok = size >= 0;
  }
  ok = ok && vt::files::ReplaceFile(headerFile, header);
  if (out >= 0) {
    ::close(out);
  }
  return ok ? 0 : 1;
}

int Import(const fs::path& package, const fs::path& headerFile, const fs::path& slideshows) {
  const auto header = vt::files::ReadFile(headerFile, vt::files::kTextFileCap);
  if (!header) {
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  const vt::files::Status imported =
      vt::slideshow::ImportSlideshow(package, slideshows, "show", *header);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  if (!imported) {
    std::fprintf(stderr, "import_bench: %s\n", imported.error().Describe().c_str());
    return 1;
  }
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("seconds=%.3f peak_kb=%ld\n", seconds.count(), usage.ru_maxrss);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 6 && std::strcmp(argv[1], "pack") == 0) {
    return Pack(argv[2], argv[3], std::stoul(argv[4]),
                std::vector<fs::path>(argv + 5, argv + argc));
  }
  if (argc == 5 && std::strcmp(argv[1], "import") == 0) {
    return Import(argv[2], argv[3], argv[4]);
  }
  std::fprintf(stderr,
               "usage: import_bench pack PACKAGE HEADER LINES FILE...\n"
               "       import_bench import PACKAGE HEADER SLIDESHOWS\n");
  return 2;
}
