// Keeps the keyboard inside a box that is up over the screen (a dialog, a menu): Tab and
// Shift+Tab go round the box's own stops instead of leaving it for the screen below.
.pragma library

function contains(scope, item) {
    for (let up = item; up; up = up.parent) {
        if (up === scope)
            return true;
    }
    return false;
}

// Moves the focus from `from` to the next (or previous) stop of the chain inside `scope`.
function move(scope, from, forward) {
    let next = from;
    for (let i = 0; i < 500; ++i) {
        next = next ? next.nextItemInFocusChain(forward) : null;
        if (!next || next === from)
            return null;
        if (next !== scope && contains(scope, next)) {
            next.forceActiveFocus(forward ? Qt.TabFocusReason : Qt.BacktabFocusReason);
            return next;
        }
    }
    return null;
}

// Called when the window's focus item changed to `current`, `previous` being the box's last
// one: focus that left the box goes round to its first stop (Tab past the last one) or to its
// last stop (Shift+Tab past the first one). Returns the box's item with the focus.
function keep(scope, previous, current) {
    if (!current || contains(scope, current))
        return current;
    const forward = !previous || previous.nextItemInFocusChain(true) === current;
    return move(scope, scope, forward);
}
