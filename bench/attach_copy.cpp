// One attachment copy as the wizard makes it, for bench/attach_copy.sh to time as a whole process.
// Usage: attach_copy SOURCE PROFILE_FOLDER
#include <cstdio>
#include <string>

#include "attachments/attachments.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: attach_copy SOURCE PROFILE_FOLDER\n");
    return 2;
  }
  std::string name = vt::attachments::GetFileName(argv[1]);
  const std::string extension = vt::attachments::GetFileExtension(name);
  return vt::attachments::ReplaceAttachment(argv[2], "mov", extension, argv[1]) ? 0 : 1;
}
