// Dialogs made of controls addressed by id, in the way the program's dialog
// resources describe them: a template lists the controls (kind, id, text,
// rectangle, tab page), a handler fills them when the dialog opens and reacts
// to what the user does with them, and the dialog runs modally until the
// handler ends it with OK or Cancel.
//
// The handler sees the dialog only through DialogControls, which names no
// toolkit: dialog logic written against it is tested with an in-memory
// stand-in (tests/support/FakeDialog.h) and shown by the toolkit's
// implementation (RunDialog).
//
// Rules every implementation keeps:
// - Notifications come from the user's actions only; the program's own Set...
//   and item calls never notify.
// - Buttons, check boxes and radios notify kClicked; an edit, a date and time
//   picker and a number with arrows kTextChanged; a combo box, a list, list
//   box or tree selection and a tab kSelectionChanged (the item is the new
//   selection); a check box of a list or tree item kItemChecked (the item is
//   its index).
// - OK (id 1) and Cancel (id 2) are ordinary buttons: the handler decides and
//   calls End. Escape, the window's close box and the end of the program's
//   message loop under the dialog count as a click of Cancel.
// - Items are the entries of a combo box, the rows of a check list or list
//   box and the top-level items of a tree, by index in their order; the tabs'
//   items are their pages. Selection -1 means none.
// - The dialog has a window of its own (Window()): messages posted to it and
//   its timers reach the handler's OnMessage while the dialog runs, as they
//   reach every other window while a modal dialog waits; once it has ended
//   they are dropped.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/Message.h"
#include "platform/ui/Screen.h"

namespace ui {

using ControlId = int;
inline constexpr ControlId kIdOk = 1;
inline constexpr ControlId kIdCancel = 2;
inline constexpr ControlId kNoControl = -1;  // a static text nobody addresses

enum class ControlKind {
  kStatic,  // a label
  kGroup,   // a framed group box with its title
  kEdit,    // one line of text
  kCheckBox,
  kRadio,  // exclusive with the other radios of the same group number
  kButton,
  kComboBox,   // a drop-down list to choose from (not editable)
  kCheckList,  // a list whose rows have check boxes
  kCheckTree,  // a tree whose items have check boxes
  kProgress,   // a progress bar (SetProgress)
  kTabs,       // tab pages; the template's pages name them
  kListBox,    // a list of rows to select from, without check boxes
  kDateTime,   // a date and time picker in the control's `format` (below)
  kSpin,       // a signed whole number with up-down arrows
};

// The control's place: on the dialog itself, or on a page of the tabs.
inline constexpr int kOnDialog = -1;

// A control's top-left corner and size, in pixels.
struct ControlBox {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ControlTemplate {
  ControlKind kind = ControlKind::kStatic;
  ControlId id = kNoControl;
  std::string text;  // "&" marks the mnemonic of buttons, boxes and radios
  ControlBox box;    // within the page for controls on a page
  int page = kOnDialog;
  int group = 0;               // radios: their exclusive group
  bool defaultButton = false;  // buttons: pressed by Enter
  // Date and time pickers: the fields shown and the form of their Text and
  // SetText, in the letters "yyyy", "MM", "dd", "hh" (12-hour), "HH"
  // (24-hour), "mm" and "tt" (AM or PM); other characters stand as they are.
  std::string format = {};
  // List boxes: the rows in a small fixed-pitch font, so that columns of
  // their texts line up.
  bool fixedPitch = false;
};

struct DialogTemplate {
  std::string title;
  Size size;                       // the client area in pixels
  std::vector<std::string> pages;  // the titles of the tab pages, in order
  std::vector<ControlTemplate> controls;
};

enum class Notification { kClicked, kTextChanged, kSelectionChanged, kItemChecked };

// The controls of a running dialog. Calls naming an unknown id, or a kind
// that has no such property, do nothing (getters answer empty, false or -1).
class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // The dialog's window, for other threads to post to.
  virtual WindowId Window() const = 0;
  // Closes the dialog; RunDialog returns `result`.
  virtual void End(DialogResult result) = 0;
  // Queues a message to the dialog's own OnMessage, after those posted before.
  virtual void Post(Message message, WParam wParam = 0, LParam lParam = 0) = 0;
  // (Re)starts timer `id`: WM_TIMER with wParam `id` every `milliseconds`
  // until KillTimer or the dialog's end.
  virtual void SetTimer(unsigned id, int milliseconds) = 0;
  virtual void KillTimer(unsigned id) = 0;

  virtual void SetText(ControlId id, std::string_view text) = 0;
  virtual std::string Text(ControlId id) const = 0;
  virtual void SetChecked(ControlId id, bool checked) = 0;
  virtual bool Checked(ControlId id) const = 0;
  virtual void Enable(ControlId id, bool enabled) = 0;
  virtual bool Enabled(ControlId id) const = 0;

  virtual void ClearItems(ControlId id) = 0;
  // Inserts before `position`; -1 or a position past the end appends.
  virtual void InsertItem(ControlId id, int position, std::string_view text) = 0;
  void AddItem(ControlId id, std::string_view text) { InsertItem(id, -1, text); }
  virtual void RemoveItem(ControlId id, int item) = 0;
  virtual int ItemCount(ControlId id) const = 0;
  virtual std::string ItemText(ControlId id, int item) const = 0;
  virtual void SetItemChecked(ControlId id, int item, bool checked) = 0;
  virtual bool ItemChecked(ControlId id, int item) const = 0;
  virtual void SetSelection(ControlId id, int item) = 0;
  virtual int Selection(ControlId id) const = 0;

  // A progress bar shows `value` of 0..maximum.
  virtual void SetProgress(ControlId id, int value, int maximum) = 0;
};

class DialogHandler {
 public:
  virtual ~DialogHandler() = default;
  // Before the dialog is shown: fill the controls.
  virtual void OnInit(DialogControls& dialog) = 0;
  // The user acted on control `id`; `item` as the header says, else -1.
  virtual void OnNotify(DialogControls& dialog, ControlId id, Notification what, int item) = 0;
  // A message posted to the dialog's window, or its WM_TIMER.
  virtual void OnMessage(DialogControls&, Message, WParam, LParam) {}
};

// User-interface thread: builds the dialog from `layout`, runs it modally
// over `owner` (task modal) and returns what the handler ended it with.
DialogResult RunDialog(const DialogTemplate& layout, DialogHandler& handler, WindowId owner);

// For runs without a person: while set, the hook is offered each dialog after
// OnInit. When it takes the dialog (returns true) the dialog is not waited
// for: the hook acts on it (pressing its buttons through the handler, say),
// and a dialog it left open ends with Cancel. A dialog it declines runs as
// usual.
using DialogHook = std::function<bool(const DialogTemplate& layout, DialogControls& dialog,
                                      DialogHandler& handler)>;
DialogHook SetDialogHook(DialogHook hook);

}  // namespace ui
