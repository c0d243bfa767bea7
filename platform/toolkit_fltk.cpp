// The FLTK backend of the toolkit seam.
