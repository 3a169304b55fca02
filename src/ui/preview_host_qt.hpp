// The preview hook on Qt: every report the library hands to the preview is
// shown in a PreviewWindow. The caller's report is valid only during the
// call, so the window is modal: the call returns when the user closes it.
// No Qt type in this header: programs that only link the core library can
// include every installed header.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "reporting/preview.hpp"

namespace zpk::ui {

class PreviewWindow;  // ui/detail/preview_window.hpp

class QtPreviewHost : public PreviewHost {
 public:
  // Called with each window once it is shown, before the call waits for it
  // to close (a host that drives it, tests).
  std::function<void(PreviewWindow&)> on_shown;

  // Closes the preview windows opened for `owner`.
  void close_previews(const std::string& owner) override;
  // Builds the report in a TFmSReport (CriaReport, or the pages already
  // prepared), shows its window and waits until it is closed.
  void show_preview(const PreviewRequest& request) override;

  // The windows open now.
  std::vector<PreviewWindow*> open_windows() const;

 private:
  // The windows shown now; each lives only inside its show_preview call.
  struct Open {
    std::string owner;
    PreviewWindow* window;
  };
  std::vector<Open> open_;
};

// The host installed by install_preview_host (one per process).
QtPreviewHost& qt_preview_host();
// Installs qt_preview_host() as the library's preview; returns the host installed before.
PreviewHost* install_preview_host();

}  // namespace zpk::ui
