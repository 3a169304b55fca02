// The browser tab: one window per session, with its tab in the main window,
// that hands each URL to the desktop's browser (no web engine is installed
// with the windows) and says so, so a second URL reuses the same tab.
#pragma once

#include <QWidget>
#include <string>

#include "platform/ui/dialog_service.hpp"

class QLabel;

namespace zpk::ui {

class TfmWebBrowser : public QWidget {
  Q_OBJECT
 public:
  // Registers itself in fmWebBrowser; captioned "ZELVO Browser", maximised, Tahoma.
  explicit TfmWebBrowser(QWidget* parent = nullptr);
  ~TfmWebBrowser() override;

  // Keeps URL and hands it to the desktop's browser; false when that could not start.
  bool LoadURL(const std::string& URL);
  const std::string& URL() const { return url_; }
  // What the window says about the last URL.
  QString aviso() const;

 private:
  std::string url_;
  QLabel* aviso_ = nullptr;
};

// The browser window while one exists.
inline TfmWebBrowser* fmWebBrowser = nullptr;

// Shows URL in the browser window: made (with its window tab) only when none
// exists, then given the URL and brought to the front.
TfmWebBrowser* mostra_browser(const std::string& URL);

// A dialog service that shows the library's browser requests
// (DialogKind::web_browser, what ExecutaBrowser sends) in the browser window
// and passes every other dialog to the service it wraps.
class BrowserNaJanela : public DialogService {
 public:
  explicit BrowserNaJanela(DialogService& inner) : inner_(inner) {}
  int show_message(const MessageRequest& request) override;
  std::optional<std::string> show_input(const InputRequest& request) override {
    return inner_.show_input(request);
  }
  void show_wait(const std::string& text) override { inner_.show_wait(text); }
  void close_wait() override { inner_.close_wait(); }
  void set_busy(bool busy) override { inner_.set_busy(busy); }
  void show_progress(const std::string& text, int position, int maximum) override {
    inner_.show_progress(text, position, maximum);
  }
  void close_progress() override { inner_.close_progress(); }
  bool last_answer_unattended() const override { return inner_.last_answer_unattended(); }

 private:
  DialogService& inner_;
};

}  // namespace zpk::ui
