.pragma library
.import Zephon.Codes 1.0 as Named

// Texts from the lists come from other users (names, messages, captions). They are shown as
// styled text only where the client itself puts markup in (search highlights, emoticons,
// request links); everything else in them is escaped, so a peer cannot inject markup.

function escape(text) {
    return String(text === undefined || text === null ? "" : text)
        .replace(/&/g, "&amp;")
        .replace(/</g, "&lt;")
        .replace(/>/g, "&gt;");
}

// Search results: keeps only the highlight tags the contact search puts around matches.
function highlight(text) {
    return escape(text)
        .replace(/&lt;font color='#0080ff'&gt;/g, "<font color='#0080ff'>")
        .replace(/&lt;\/font&gt;/g, "</font>");
}

// Message bodies: keeps the emoticon pictures and the links the client writes itself. The map
// link is the client's only on a location row, where it wraps the whole body; in
// any other text it is the peer's and stays text.
function message(text, subType) {
    let body = escape(text)
        .replace(/&lt;img width="20" height = "20" source = "\.\.\/components\/images\/face\/face_(\d{1,2})\.png"&gt;/g,
                 "<img width=\"20\" height=\"20\" src=\"../components/images/face/face_$1.png\">")
        .replace(/&lt;a href=(circlename|name|userpic)&gt;/g, "<a href=\"$1\">");
    if (subType === Named.Codes.ContentLocation)
        body = body.replace(/^&lt;a href=map&gt;/, "<a href=\"map\">");
    return body.replace(/&lt;\/a&gt;/g, "</a>").replace(/\r?\n/g, "<br>");
}

// A circle message keeps the circle's type as its sub-kind, so a location is told by the form
// the client gives one: the place as the whole map link and the caption "place:lat:lng".
function isCircleLocation(content, caption) {
    const link = /^<a href=map>([^<]*)<\/a>$/.exec(String(content === undefined || content === null ? "" : content));
    return link !== null && String(caption === undefined || caption === null ? "" : caption).startsWith(link[1] + ":");
}

// A request caption: the client's own links kept, and the names it put between them (a circle
// name, a person's name, chosen by other users) escaped whole, so that a name cannot close the
// client's link and open one of its own.
function caption(text, names) {
    // The longest first, so that a name holding another is taken whole.
    names = names.map(function (name) {
        return String(name === undefined || name === null ? "" : name);
    }).sort(function (a, b) {
        return b.length - a.length;
    });
    let body = String(text === undefined || text === null ? "" : text);
    const shown = [];
    for (let i = 0; i < names.length; ++i) {
        const name = names[i];
        if (name === "")
            continue;
        const mark = "\u0001" + shown.length + "\u0002";
        const before = body;
        body = body.split(">" + name + "</a>").join(">" + mark + "</a>");
        if (body !== before)
            shown.push(escape(name));
        else
            body = before;
    }
    body = message(body);
    for (let i = 0; i < shown.length; ++i)
        body = body.split("\u0001" + i + "\u0002").join(shown[i]);
    return body;
}

// One-line preview of a message body: emoticons kept, links reduced to their text.
function preview(text) {
    return message(text).replace(/<a href="[a-z]+">/g, "").replace(/<\/a>/g, "").replace(/<br>/g, " ");
}

// A message body as a screen reader says it: its text without markup, emoticons left out.
function spoken(text) {
    return preview(text).replace(/<[^>]*>/g, "").replace(/&lt;/g, "<").replace(/&gt;/g, ">")
        .replace(/&quot;/g, "\"").replace(/&#39;/g, "'").replace(/&nbsp;/g, " ").replace(/&amp;/g, "&").trim();
}

// Field `index` of a ":"-separated card; empty past the end.
function cardField(card, index) {
    const parts = String(card === undefined || card === null ? "" : card).split(":");
    return index < parts.length ? parts[index] : "";
}

// Display name of a card: field 0, or the mobile number (field 5) when it has no name.
function cardName(card) {
    const name = cardField(card, 0);
    return name !== "" ? name : cardField(card, 5);
}
