import QtQuick

// Row of the user search results: name and number.
PersonRow {
    id: person

    detail: person.modelData.strPhone !== "" ? person.modelData.strPhone : person.modelData.strZpid
}
