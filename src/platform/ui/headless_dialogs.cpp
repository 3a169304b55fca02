#include "platform/ui/headless_dialogs.hpp"

#include <ostream>

#include "platform/rtl/errors.hpp"
#include "platform/ui/detail/progress_line.hpp"
#include "platform/ui/detail/replies.hpp"

namespace zpk {

HeadlessDialogs::HeadlessDialogs() = default;

HeadlessDialogs::HeadlessDialogs(Options options) : options_(options) {}

HeadlessDialogs::~HeadlessDialogs() = default;

void HeadlessDialogs::reply_all(const std::vector<std::string>& answers) {
  for (const auto& answer : answers) reply(answer);
}

const DialogRecord& HeadlessDialogs::last() const {
  if (records_.empty()) throw EZpkError("no dialog was shown");
  return records_.back();
}

void HeadlessDialogs::clear() {
  replies_.clear();
  records_.clear();
  wait_history_.clear();
  progress_history_.clear();
}

std::optional<std::string> HeadlessDialogs::next_reply() {
  if (replies_.empty()) return std::nullopt;
  std::string reply = std::move(replies_.front());
  replies_.pop_front();
  return reply;
}

void HeadlessDialogs::keep(DialogRecord record) {
  if (options_.max_records == 0) return;
  while (records_.size() >= options_.max_records) records_.pop_front();
  records_.push_back(std::move(record));
}

int HeadlessDialogs::show_message(const MessageRequest& request) {
  const std::optional<std::string> reply = next_reply();
  const int button = reply ? detail::button_for_reply(request, *reply) : default_answer(request);
  if (options_.echo) *options_.echo << detail::describe_message(request, button) << std::endl;

  DialogRecord record;
  record.kind = request.kind;
  record.type = request.type;
  record.caption = request.caption;
  record.text = request.text;
  record.buttons = request.buttons;
  record.default_button = request.default_button;
  record.cancel_button = request.cancel_button;
  record.button = button;
  if (button >= 1 && button <= static_cast<int>(request.buttons.size())) {
    record.answer = detail::strip_accelerator(request.buttons[button - 1]);
  }
  record.scripted = reply.has_value();
  keep(std::move(record));
  return button;
}

std::optional<std::string> HeadlessDialogs::show_input(const InputRequest& request) {
  const std::optional<std::string> reply = next_reply();
  // Unscripted, the user presses OK on what the box already holds.
  std::optional<std::string> answer = reply ? detail::input_for_reply(request, *reply) : request.value;
  if (options_.echo) *options_.echo << detail::describe_input(request, answer) << std::endl;

  DialogRecord record;
  record.kind = request.kind;
  record.caption = request.caption;
  record.text = request.prompt;
  record.buttons = request.buttons;
  record.default_button = 1;
  record.cancel_button = request.buttons.size() > 1 ? 2 : 0;
  record.value = request.value;
  record.answer = answer.value_or("");
  record.cancelled = !answer.has_value();
  record.button = answer ? 1 : record.cancel_button;
  record.scripted = reply.has_value();
  keep(std::move(record));
  return answer;
}

void HeadlessDialogs::show_wait(const std::string& text) {
  wait_visible_ = true;
  wait_text_ = text;
  if (options_.max_records > 0) {
    while (wait_history_.size() >= options_.max_records) wait_history_.pop_front();
    wait_history_.push_back(text);
  }
  if (options_.echo) *options_.echo << "[wait] " << text << std::endl;
}

void HeadlessDialogs::close_wait() {
  if (!wait_visible_) return;
  wait_visible_ = false;
  wait_text_.clear();
  if (options_.echo) *options_.echo << "[wait] closed" << std::endl;
}

void HeadlessDialogs::show_progress(const std::string& text, int position, int maximum) {
  progress_visible_ = true;
  if (options_.max_records > 0) {
    while (progress_history_.size() >= options_.max_records) progress_history_.pop_front();
    progress_history_.push_back({text, position, maximum});
  }
  if (options_.echo) {
    if (!progress_line_) {
      progress_line_ = std::make_unique<detail::ProgressLine>(*options_.echo, "[progress] ",
                                                              detail::is_terminal_stderr(*options_.echo));
    }
    progress_line_->show(text, position, maximum);
  }
}

void HeadlessDialogs::close_progress() {
  if (!progress_visible_) return;
  progress_visible_ = false;
  if (progress_line_) progress_line_->close();
}

}  // namespace zpk
