#pragma once
// The one place that registers the map engine's classes by name: projection models, brush
// resources, objects, presenters, object sources, layers and the file readers. The control calls
// it before it builds its parts; a program or test that streams the map's classes by name
// without a control calls it itself.
void RegisterMapClasses();
