// The image store comes here.
