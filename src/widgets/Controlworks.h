#pragma once
// Form helpers every window of the program uses.
#include <QFileDialog>

#include <functional>
#include <initializer_list>

class QComboBox;
class QKeyEvent;
class QObject;
class QWidget;

// The program's font set-up of a form: the preferred interface font when installed, the
// fixed-pitch font for edit boxes, combo boxes and memos whose dynamic property "tag" is 0 or
// unset, and the colour or weight of labels by their tag (1 green, 2 red, 3 navy, 4 bold,
// 5 green and bold).
void ApplyFormFonts(QWidget* form);

// Sets the "enabled" property (or, lacking it, an "enable" property) of each object.
void EnableControls(bool value, std::initializer_list<QObject*> controls);

// Selects the first entry equal to `text`, both trimmed and lower-cased; with no such entry the
// text is inserted first and selected.
void SelectComboText(QComboBox* combo, const QString& text);

// Moves a window to the middle of the screen it is on.
void CenterOnScreen(QWidget* window);

// The keys of a grid of rows: Ctrl+C puts the selected rows' text on the clipboard, Enter
// chooses the current row. False for any other key, which the grid handles itself.
bool GridRowKey(QKeyEvent* event, const std::function<QString()>& selected_text,
                const std::function<void()>& choose);

// A file name from Qt's own file dialog (so it looks alike everywhere and tests can drive it);
// empty when cancelled. preset is a name or path to start with; the dialog opens in folder
// when one is given (an absolute preset still opens in its own folder); title replaces Qt's
// own title when given.
QString ask_file_name(QWidget* owner, QFileDialog::AcceptMode mode, const QStringList& filters,
                      const QString& suffix, const QString& preset = {}, const QString& folder = {},
                      const QString& title = {});
