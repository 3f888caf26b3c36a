// Anchors the resource objects of the screens, pictures and catalogues in one library.
