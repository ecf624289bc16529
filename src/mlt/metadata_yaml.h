// The filter's metadata in MLT's YAML form (metaschema.yaml), written from
// the property table at build time into filter_meridel.yml.
#pragma once

#include <string>

namespace meridel::mlt {

std::string MetadataYaml();

}  // namespace meridel::mlt
