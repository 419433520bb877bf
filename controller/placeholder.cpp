// The controller command set comes here.
