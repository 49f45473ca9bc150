// The control window and its companions live here.
