// Read by lupdate only, never compiled: catalogue texts whose code is not in this tree
// yet. Without them lupdate would retire those translations; drop each line once its code arrives.
