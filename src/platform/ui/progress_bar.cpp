#include "platform/ui/progress_bar.hpp"

#include "platform/ui/dialog_service.hpp"

namespace zpk {

TProgressBar::TProgressBar(std::string Caption) : caption_(std::move(Caption)) {}

TProgressBar::~TProgressBar() {
  if (shown_) dialog_service().close_progress();
}

void TProgressBar::SetMax(int Value) {
  max_ = Value;
  show();
}

void TProgressBar::SetPosition(int Value) {
  position_ = Value;
  show();
}

void TProgressBar::StepIt() {
  // Never past the maximum: a run that steps once more still reads as done.
  if (position_ < max_) ++position_;
  show();
}

void TProgressBar::show() {
  shown_ = true;
  dialog_service().show_progress(caption_, position_, max_);
}

}  // namespace zpk
