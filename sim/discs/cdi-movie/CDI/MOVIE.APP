CD-i application (a stand-in: nothing here runs).
