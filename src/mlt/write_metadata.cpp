// Writes filter_meridel.yml, the filter's metadata, at build time.
//
//   meridel_mlt_metadata OUT.yml
#include <cstdio>

#include "mlt/metadata_yaml.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.yml\n", argv[0]);
    return 2;
  }
  const std::string yaml = meridel::mlt::MetadataYaml();
  std::FILE* file = std::fopen(argv[1], "w");
  if (!file || std::fwrite(yaml.data(), 1, yaml.size(), file) != yaml.size() || std::fclose(file) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
