.pragma library

// Call record kinds: 0 outgoing, 1 incoming answered, 2 missed.
function glyph(iType) {
    return iType === 0 ? "\u2197" : "\u2199";
}

function colour(iType) {
    return iType === 2 ? "#e84a3d" : iType === 0 ? "#2fbf71" : "#2b7de9";
}
