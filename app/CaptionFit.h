// Makes a page of absolutely placed controls fit captions longer than the ones it was laid
// out for (English and German): captions grow, what follows them on the same row moves
// right, fields designed one above another stay in their column, fields give back the width
// the row then lacks, a group whose row still does not fit grows (and the groups of its
// column with it), and a group title that still does not fit is drawn smaller.
#pragma once

class QWidget;

void FitCaptions(QWidget* container);

// Spreads the controls of a page of absolutely placed controls by `factor` horizontally,
// for languages whose captions need more room than the page was designed with.
void ScaleHorizontally(QWidget* container, double factor);
