// The report preview window: the prepared pages of a report drawn by the
// engine's own renderer (the pixels the PDF holds), with zoom, page
// navigation, find and the tool buttons of TFmSReport.
#pragma once

#include <memory>

#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include "reporting/sreport.hpp"

class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace zpk::ui {

// Shows the pages of `form.Report` (already created with CriaReport, or a
// report prepared by its caller). The window owns `form`; the report must
// outlive the window. Closing it stores the zoom for the user (FormClose).
class PreviewWindow : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewWindow(std::unique_ptr<TFmSReport> form, QWidget* parent = nullptr);
  ~PreviewWindow() override;

  TFmSReport& form() { return *form_; }
  // 0-based page shown and the number of pages.
  int current_page() const { return form_->CurrentPage(); }
  int page_count() const { return form_->PageCount(); }
  // The picture of the page shown (null when the report has no pages).
  const QImage& page_image() const { return image_; }
  // "Página N de M", or the reason there is nothing to show.
  QString status_text() const;

  void first_page();
  void previous_page();
  void next_page();
  void last_page();
  // Shows the 0-based page `index`, kept inside the pages.
  void go_to_page(int index);
  // Zoom in percent, kept between 10 and 1000 by TFmSReport.
  void set_zoom(int percent);
  // Shows the first page from the current one on that holds `text`; false
  // (the page unchanged, the status saying so) when none does.
  bool find(const QString& text);
  // True once the window was closed (its zoom stored).
  bool was_closed() const { return stored_; }

 signals:
  // The window was closed.
  void closed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QToolButton* add_button(const char* name, const QString& hint, const QString& glyph);
  // Runs a tool button's action; its errors are shown, never thrown into Qt's loop.
  void run_action(const std::function<void()>& action);
  // Draws the current page at the current zoom and refreshes the controls.
  void refresh();

  std::unique_ptr<TFmSReport> form_;
  QTemporaryDir pictures_;
  QImage image_;
  int drawn_page_ = -1;
  int drawn_zoom_ = 0;
  QScrollArea* scroll_ = nullptr;
  QLabel* page_label_ = nullptr;
  QLabel* status_ = nullptr;
  QSpinBox* page_number_ = nullptr;
  QLineEdit* find_text_ = nullptr;
  bool stored_ = false;
};

}  // namespace zpk::ui
