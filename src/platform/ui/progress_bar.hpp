// The progress bar a screen hands to a long routine: the routine sets its
// maximum and steps it, and every change is shown through the dialog port
// (the command line draws it on stderr, tests read it from HeadlessDialogs).
#pragma once

#include <string>

namespace zpk {

class TProgressBar {
 public:
  // A bar shown under `Caption`.
  explicit TProgressBar(std::string Caption = "");
  // Takes the bar away when it was shown.
  ~TProgressBar();
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;

  int Max() const { return max_; }
  int Position() const { return position_; }
  // Sets the number of steps of the whole run.
  void SetMax(int Value);
  // Moves the bar to `Value` steps done.
  void SetPosition(int Value);
  // One step more.
  void StepIt();

 private:
  void show();

  std::string caption_;
  int max_ = 100;
  int position_ = 0;
  bool shown_ = false;
};

}  // namespace zpk
