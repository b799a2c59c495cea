// RunStart
