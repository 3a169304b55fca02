#include "reporting/preview.hpp"

#include <atomic>

namespace zpk {

namespace {
std::atomic<PreviewHost*> g_host{nullptr};
}

HeadlessPreview& default_preview() {
  static HeadlessPreview host;
  return host;
}

PreviewHost& preview_host() {
  PreviewHost* host = g_host.load();
  return host ? *host : default_preview();
}

PreviewHost* set_preview_host(PreviewHost* host) {
  return g_host.exchange(host);
}

}  // namespace zpk
