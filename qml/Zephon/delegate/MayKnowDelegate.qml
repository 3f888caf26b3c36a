import QtQuick

// Row of the people the user may know: name, and sex, company and place as far as known.
PersonRow {
    id: person

    detail: [person.modelData.strSex, person.modelData.strCompany, person.modelData.strAddress]
                .filter(function (part) { return part !== undefined && part !== ""; }).join("  ")
}
