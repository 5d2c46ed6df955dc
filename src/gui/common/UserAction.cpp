#include "gui/common/UserAction.h"

UserActions& UserActions::instance() {
    static UserActions actions;
    return actions;
}
