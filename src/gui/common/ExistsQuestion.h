#pragma once

#include "core/transfer/WhenExists.h"

class QString;
class QWidget;

// The object name of the question's box.
inline constexpr char ExistsQuestionName[] = "ExistsQuestion";

// The text of the question about `target`: its path and both files' sizes and dates.
QString existsQuestionText(const ExistingTarget& target);

// Asks in a modal box what becomes of a target that exists: "Replace" (the default, so Enter replaces),
// "Replace if newer", "Resume", "Rename", "Skip" and "Cancel" (what Escape and closing the box answer:
// the job stops), with the check box "Apply to the rest of this job". The text is plain: it holds names
// from the server.
ExistsAnswer askWhenExists(QWidget* parent, const ExistingTarget& target);
