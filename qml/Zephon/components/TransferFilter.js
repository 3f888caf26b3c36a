.pragma library
.import Zephon.Codes 1.0 as Named

// A transfer report belongs to a bubble when it runs the other way round from the bubble's
// own direction (a received bubble hears downloads, a sent one uploads), names the bubble's
// message id and kind, and the bubble is still in transfer.
function matches(bSend, iMsgId, iType, iMsgState, download, reportMsgId, reportType) {
    return download !== bSend && reportMsgId === iMsgId && reportType === iType
           && iMsgState === Named.Codes.TransferQueued;
}

// Progress texts arrive as "42" or "42%"; anything else counts as no progress.
function percent(strProgress) {
    const value = parseInt(String(strProgress), 10);
    if (isNaN(value))
        return 0;
    return Math.max(0, Math.min(100, value));
}

// Turns a local path (native or URL form) into an address an Image can load.
function toUrl(path) {
    const text = String(path);
    if (text === "" || /^(file|qrc|image|https?):/.test(text))
        return text;
    const slashed = text.replace(/\\/g, "/");
    return slashed.startsWith("/") ? "file://" + slashed : "file:///" + slashed;
}
