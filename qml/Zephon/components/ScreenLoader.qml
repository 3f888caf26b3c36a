import QtQuick

// A loader of screens. A screen that cannot be loaded is named in the trace together with
// the reason and unloaded again, and `failed` tells the owner, so that a missing or broken
// screen leaves the window as it was instead of an empty page.
Loader {
    id: loader

    signal failed(url source, string error)

    // The loader itself keeps no error text; compiling the file again (the engine has it
    // cached) gives it, or, when the file compiles, the screen failed while being created.
    function errorOf(source) {
        const component = Qt.createComponent(source);
        if (component.status === Component.Error)
            return component.errorString().trim();
        return "the screen could not be created";
    }

    onStatusChanged: {
        if (loader.status !== Loader.Error)
            return;
        const failedSource = loader.source;
        const error = loader.errorOf(failedSource);
        console.warn("Screen " + failedSource + " failed to load: " + error);
        loader.source = "";
        loader.failed(failedSource, error);
    }
}
