#pragma once

class QString;
class QWidget;

// The answer to "replace the entry the folder already holds?".
enum class ReplaceAnswer { Replace, Skip, Cancel };

// The object name of the question's box.
inline constexpr char ReplaceQuestionName[] = "ReplaceQuestion";

// Asks in a modal box with the buttons "Replace" (the default, so Enter replaces), "Skip" and "Cancel"
// (what Escape and closing the box answer). `text` is shown as plain text: it holds names from the server.
ReplaceAnswer askToReplace(QWidget* parent, const QString& text);
