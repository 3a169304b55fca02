// Anchor source so the core library target exists before its folders fill up.
