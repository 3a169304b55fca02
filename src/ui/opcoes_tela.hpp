// Per-user screen options: the state in which a user left a screen's filter
// and choice controls (check boxes, choices, sliders, dates, visible tabs,
// grid columns), stored per company in OPCOES_USUARIO and applied again the
// next time the screen opens.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace zpk::ui {

// What closing a screen does with it, as its close handlers decide.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;

// A close handler of a screen: it may change what the close does.
using TCloseEvent = std::function<void(QWidget* Sender, TCloseAction& Action)>;

// A screen whose options are saved on close, and the close handler it had before.
struct TFormEventStorage {
  QPointer<QWidget> Form;
  TCloseEvent OnClose;
};

// The screens registered for option saving, owning their entries.
class TFormEventStorageList {
 public:
  // Adds Item; entries of screens deleted without closing are dropped on the way.
  void Add(std::unique_ptr<TFormEventStorage> Item) {
    std::erase_if(items_, [](const auto& e) { return e->Form.isNull(); });
    items_.push_back(std::move(Item));
  }
  int Count() const { return static_cast<int>(items_.size()); }
  TFormEventStorage& Items(int i) { return *items_.at(static_cast<size_t>(i)); }
  // The index of Form's entry, or -1.
  int indexOfForm(const QWidget* Form) const;
  void Delete(int i) { items_.erase(items_.begin() + i); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TFormEventStorage>> items_;
};

inline TFormEventStorageList fFormEventStorageList;

// The stored value of one control, "" for a control whose state is not kept
// (its class is matched exactly: QCheckBox, QRadioButton, QButtonGroup,
// QComboBox, QSlider, QDateEdit, QTabWidget).
std::string valor_opcao(const QObject* Componente);

// Screen-option handling; class methods only.
class TOpcoesCarregamento {
 public:
  // Applies the current user's stored options to Form's named controls;
  // rows naming a control the screen no longer has are skipped.
  static void InicializaOpcoes(QWidget* Form);
  // Replaces the current user's stored options of Form (grid layouts stay)
  // and commits; nothing when Form is nullptr. Raises EDatabaseError.
  static void SalvaOpcoesUsuario(QWidget* Form);
  // The close handler of screens opened with option saving: saves, runs the
  // screen's own close handler (else frees it) and unregisters a freed screen.
  static void EventoSalvaOpcoes(QWidget* Sender, TCloseAction& Action);
  // The close handler that only frees the screen and unregisters it.
  static void EventoLiberaMemoria(QWidget* Sender, TCloseAction& Action);
  // Gives the memory freed by closed screens back to the system and lets
  // pending window events run.
  static void LiberaMemoria();
};

// Routes Form's accepted close through Handler (EventoSalvaOpcoes or
// EventoLiberaMemoria); a close that ends with caFree deletes the screen (and
// its MDI frame).
void instala_evento_fechar(QWidget* Form, TCloseEvent Handler);

}  // namespace zpk::ui
