// The headless backend of the toolkit seam.
