// GraphLayers
