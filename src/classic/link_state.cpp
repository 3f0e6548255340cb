#include "classic/classic_link.h"

namespace corvane {

ClassicLinkState& ClassicLink() {
  static ClassicLinkState state;
  return state;
}

ClassicSettings& ClassicConfig() {
  static ClassicSettings settings;
  return settings;
}

}  // namespace corvane
