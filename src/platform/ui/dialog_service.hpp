// The dialog port: the one interface through which the library talks to the
// user, and the slot that holds the implementation the host installed.
// Business routines never use it directly: they call the free functions of
// dialog_message.hpp and input_boxes.hpp, which build a request and forward it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zpk {

// Type of a message, which chooses its icon (and sound).
enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
using enum TMsgDlgType;

// Which window asks: the library's own message dialog, the platform's message
// box, the platform's standard dialog (MessageDlgPortugues), or an input box.
enum class DialogKind {
  message_dialog,
  message_box,
  standard_dialog,
  input_password,
  input_date,
  input_combo,
  input_memo,
  input_number,
  web_browser,  // a URL for the library's browser window (text = the URL)
  // A screen of the host shown modally (caption = the screen's class name,
  // text = its package); the answer is its modal result: 1 OK, 2 Cancel.
  modal_form,
  // The print set-up box: items = the station's printers, value = the
  // report's printer; the answer is the printer confirmed (cancel: nothing).
  print_setup,
  // The print mode box: items = the modes ("Texto", "Gráfico") then the
  // layouts; value and answer are "<mode letter>:<layout index>" ("W:0",
  // "T:2"), the layout index 0 being the standard layout.
  print_mode,
  // The printer chooser: items = the station's printers, value = the default
  // printer; the answer is the printer chosen (cancel: nothing).
  select_printer,
};

// A message with buttons; the answer is the 1-based number of the button pressed.
struct MessageRequest {
  DialogKind kind = DialogKind::message_dialog;
  TMsgDlgType type = TMsgDlgType::mtInformation;
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;  // captions, "&" marking the accelerator
  int default_button = 0;            // 1-based; 0: none
  int cancel_button = 0;             // 1-based, the button Escape presses; 0: none
  int help_button = 0;               // 1-based; shows help and never answers; 0: none
  int left = -1;                     // position on screen; negative: centred
  int top = -1;
};

// An input box asking for one value; the answer is the text confirmed with
// the box's OK button, or nothing when the box was cancelled or closed.
struct InputRequest {
  DialogKind kind = DialogKind::input_password;
  std::string caption;
  std::string prompt;
  std::string value;                 // initial text
  int max_length = 0;                // characters; 0: no limit
  std::vector<std::string> items;    // choices of a combo box
  std::vector<std::string> buttons;  // OK first, then Cancel when the box has one
  bool masked = false;               // password characters shown as "*"
};

// The button a dialog answers with when nobody presses one: its default
// button; when it declares none, its cancel button (what Escape gives); when
// it has neither, its first button. Never the help button.
int default_answer(const MessageRequest& request);

// What a user interface offers the library. Implementations: HeadlessDialogs
// (tests, batch jobs, the command line's --answer), ConsoleDialogs (terminal)
// and, later, the Qt windows.
class DialogService {
 public:
  virtual ~DialogService() = default;
  // Shows the message and returns the 1-based number of the button pressed.
  virtual int show_message(const MessageRequest& request) = 0;
  // Shows the input box; returns the confirmed text, or nullopt when cancelled.
  virtual std::optional<std::string> show_input(const InputRequest& request) = 0;
  // Shows the wait notice, or changes its text when it is already shown.
  virtual void show_wait(const std::string& text) = 0;
  // Closes the wait notice (nothing when none is shown).
  virtual void close_wait() = 0;
  // Switches the busy (hourglass) cursor on or off.
  virtual void set_busy(bool busy) = 0;
  // Shows how far a long operation got (the progress bar of a screen):
  // `position` of `maximum` steps done, under `text`. A service with nowhere
  // to show it ignores it.
  virtual void show_progress(const std::string& text, int position, int maximum) {}
  // Takes the progress away (nothing when none is shown).
  virtual void close_progress() {}
  // True when the last dialog was answered by its default with nobody there
  // to choose (a batch run out of scripted replies). A routine that repeats a
  // question until it gets another answer stops asking then, instead of
  // asking for ever.
  virtual bool last_answer_unattended() const { return false; }
};

// The installed service, or the built-in default: a HeadlessDialogs that
// records every dialog and answers each with its default (see
// default_dialogs()), so a host that installs nothing never blocks.
DialogService& dialog_service();

// Installs `service` (not owned; nullptr restores the default) and returns the
// one installed before (nullptr when that was the default).
DialogService* set_dialog_service(DialogService* service);

class HeadlessDialogs;
// The built-in default service (it keeps only the latest records).
HeadlessDialogs& default_dialogs();

// Installs a service for the lifetime of the guard and restores the previous one.
class ScopedDialogService {
 public:
  explicit ScopedDialogService(DialogService& service) : previous_(set_dialog_service(&service)) {}
  ~ScopedDialogService() { set_dialog_service(previous_); }
  ScopedDialogService(const ScopedDialogService&) = delete;
  ScopedDialogService& operator=(const ScopedDialogService&) = delete;

 private:
  DialogService* previous_;
};

// The application title, the caption of dialogs that name none. Defaults to
// the executable's file name without extension; the host may set its own.
std::string application_title();
void set_application_title(std::string title);

}  // namespace zpk
