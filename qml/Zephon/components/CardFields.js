.pragma library

// How card fields read to a person. Sex travels as "0" (male) or "1" (female); older cards
// and the server's stranger cards may carry the word itself, which is shown as it is.
function sexText(strValue, strMale, strFemale) {
    if (strValue === "0")
        return strMale;
    if (strValue === "1")
        return strFemale;
    return strValue;
}

// The stored value of a sex shown as text, for the edit form's two choices.
function sexValue(strText, strMale, strFemale) {
    if (strText === "0" || strText === strMale)
        return "0";
    if (strText === "1" || strText === strFemale)
        return "1";
    return "";
}

// The short card holds name, sex, address and company only; the full card fourteen fields.
function isShortCard(strCard) {
    return strCard !== "" && strCard.split(":").length === 4;
}
