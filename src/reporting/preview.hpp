// The preview hook: where a report to be shown on screen goes. The window
// toolkit installs its preview window here; without one, HeadlessPreview
// records each request so that tests and the command line can see it.
#pragma once

#include <string>
#include <vector>

namespace zpk {

class TprCustomReport;

// The form a preview belongs to: its name and caption (empty: the active form).
struct OwnerForm {
  std::string name;
  std::string caption;
};

// A report handed to the preview: the window builds (prepares) it itself.
struct PreviewRequest {
  TprCustomReport* report = nullptr;  // the caller's report; only valid during the call
  std::string layout;                 // layout name ("WPEDIDO"), empty for a report already prepared
  std::string caption;                // the window's caption
  std::string owner;                  // name of the owner form
  bool prepared = false;              // the report is already prepared (the engine's own preview)
};

// What a preview window offers the library.
class PreviewHost {
 public:
  virtual ~PreviewHost() = default;
  // Closes and frees every preview window of the owner form `owner`.
  virtual void close_previews(const std::string& owner) = 0;
  // Shows the report.
  virtual void show_preview(const PreviewRequest& request) = 0;
};

// Records requests instead of showing them; the report pointers it keeps are
// only for identity once the call returned.
class HeadlessPreview : public PreviewHost {
 public:
  void close_previews(const std::string& owner) override { closed.push_back(owner); }
  void show_preview(const PreviewRequest& request) override { shown.push_back(request); }
  void clear() {
    shown.clear();
    closed.clear();
  }

  std::vector<PreviewRequest> shown;  // every request, oldest first
  std::vector<std::string> closed;    // owners whose previews were closed, in order
};

// The installed host, or the built-in HeadlessPreview.
PreviewHost& preview_host();
// Installs `host` (not owned; nullptr restores the default) and returns the
// one installed before (nullptr when that was the default).
PreviewHost* set_preview_host(PreviewHost* host);
// The built-in default host.
HeadlessPreview& default_preview();

// Installs a host for the lifetime of the guard and restores the previous one.
class ScopedPreviewHost {
 public:
  explicit ScopedPreviewHost(PreviewHost& host) : previous_(set_preview_host(&host)) {}
  ~ScopedPreviewHost() { set_preview_host(previous_); }
  ScopedPreviewHost(const ScopedPreviewHost&) = delete;
  ScopedPreviewHost& operator=(const ScopedPreviewHost&) = delete;

 private:
  PreviewHost* previous_;
};

}  // namespace zpk
