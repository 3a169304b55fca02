// The preview hook on Qt: one modal PreviewWindow per request.
#include "ui/preview_host_qt.hpp"

#include <memory>

#include <QApplication>
#include <QEventLoop>

#include "platform/rtl/errors.hpp"
#include "ui/aplicacao_qt.hpp"
#include "ui/detail/preview_window.hpp"

namespace zpk::ui {

void QtPreviewHost::close_previews(const std::string& owner) {
  for (Open& open : open_) {
    if (open.owner == owner) open.window->close();
  }
}

void QtPreviewHost::show_preview(const PreviewRequest& request) {
  aplicacao_qt();
  auto* report = dynamic_cast<TprReport*>(request.report);
  // Text reports go to their printer as characters; they have no page picture to show.
  if (report == nullptr) throw EZpkError("a pré-visualização mostra relatórios gráficos; este é de texto");
  auto form = std::make_unique<TFmSReport>();
  form->Report = report;
  form->Caption = request.caption;
  form->NomeLayout = request.layout;
  if (!request.prepared) form->CriaReport();

  // Freed here, not on close: the nested loop below may not run deferred deletions.
  std::unique_ptr<PreviewWindow> window = std::make_unique<PreviewWindow>(std::move(form));
  window->setWindowModality(Qt::ApplicationModal);
  open_.push_back({request.owner, window.get()});
  QEventLoop loop;
  QObject::connect(window.get(), &PreviewWindow::closed, &loop, &QEventLoop::quit);
  window->show();
  if (on_shown) on_shown(*window);
  // The report the window shows belongs to the caller until this call returns.
  if (!window->was_closed()) loop.exec();
  std::erase_if(open_, [&](const Open& open) { return open.window == window.get(); });
}

std::vector<PreviewWindow*> QtPreviewHost::open_windows() const {
  std::vector<PreviewWindow*> windows;
  for (const Open& open : open_) windows.push_back(open.window);
  return windows;
}

QtPreviewHost& qt_preview_host() {
  static QtPreviewHost host;
  return host;
}

PreviewHost* install_preview_host() {
  return set_preview_host(&qt_preview_host());
}

}  // namespace zpk::ui
