.pragma library
.import Zephon.Codes 1.0 as Named

// Glyph and colour of a call record kind.
function glyph(iType) {
    return iType === Named.Codes.RecordOutgoing ? "\u2197" : "\u2199";
}

function colour(iType) {
    return iType === Named.Codes.RecordMissed ? "#e84a3d"
         : iType === Named.Codes.RecordOutgoing ? "#2fbf71" : "#2b7de9";
}
