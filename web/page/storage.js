// The files the page keeps across visits in the browser's IndexedDB: the
// RAM and register file it saves (with the copies it keeps of what it did
// not read in full), each firmware's apart, and the firmware the user
// loaded. A write the page starts while it is being left may not be
// committed before it goes, so each write is first noted whole in
// localStorage, which is written at once, and the note is dropped once the
// database has it; the next visit finishes a write left noted.
//
// What the page cannot use (an entry that is not bytes, a name it never
// writes, a note that does not read back) is moved aside, never deleted:
// it may hold the user's data. The "aside" store and the localStorage key
// PendingAside keep it; the page says so once, when it moves it.
const Database = 'varnox';
const Store = 'files';
const Aside = 'aside';
const Pending = 'varnox-pending-files';
const PendingAside = 'varnox-pending-files-aside';

const toText = (bytes) => btoa(Array.from(bytes, (b) => String.fromCharCode(b)).join(''));
const fromText = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));

function request(r) {
  return new Promise((resolve, reject) => {
    r.onsuccess = () => resolve(r.result);
    r.onerror = () => reject(r.error);
  });
}

function done(transaction) {
  return new Promise((resolve, reject) => {
    transaction.oncomplete = () => resolve();
    transaction.onerror = () => reject(transaction.error);
    transaction.onabort = () => reject(transaction.error);
  });
}

// An entry's value as bytes, or null when it is not bytes.
function bytesOf(value) {
  if (value instanceof Uint8Array) return value;
  if (value instanceof ArrayBuffer) return new Uint8Array(value);
  if (ArrayBuffer.isView(value)) return new Uint8Array(value.buffer, value.byteOffset, value.byteLength);
  return null;
}

// A name as a message shows it.
const named = (name) => (typeof name === 'string' ? name : JSON.stringify(name) ?? String(name)).slice(0, 60);

// The pending note's files, or null when it is not what put() writes.
function readNote(note, isPageFile) {
  try {
    const parsed = JSON.parse(note);
    if (parsed === null || typeof parsed !== 'object' || Array.isArray(parsed)) return null;
    const files = {};
    for (const [name, text] of Object.entries(parsed)) {
      if (!isPageFile(name) || typeof text !== 'string') return null;
      files[name] = fromText(text);
    }
    return files;
  } catch {
    return null;
  }
}

export class FileStore {
  static async open() {
    const opening = indexedDB.open(Database, 2);
    opening.onupgradeneeded = () => {
      const db = opening.result;
      for (const name of [Store, Aside]) if (!db.objectStoreNames.contains(name)) db.createObjectStore(name);
    };
    // A page of an earlier version open in another tab holds the database
    // at its version: said, rather than waited for.
    const blocked = new Promise((resolve, reject) => {
      opening.onblocked = () => reject(new Error('another tab of the page holds it open; close that tab and reload'));
    });
    const db = await Promise.race([request(opening), blocked]);
    // A later version in another tab gets it in turn.
    db.onversionchange = () => db.close();
    return new FileStore(db);
  }

  constructor(db) { this.db = db; }

  store(mode) { return this.db.transaction(Store, mode).objectStore(Store); }

  // Every file kept, a write left noted included: { files: { name:
  // Uint8Array }, messages: [] }. `isPageFile(name)` says which names the
  // page writes; entries it cannot use are moved aside, said in messages.
  async all(isPageFile) {
    const messages = [];
    const noted = localStorage.getItem(Pending);
    if (noted !== null) {
      const files = readNote(noted, isPageFile);
      if (files) {
        await this.put(files);
      } else {
        localStorage.setItem(PendingAside, noted);
        localStorage.removeItem(Pending);
        messages.push(`A write the page left unfinished in the browser's storage could not be read back: ` +
          `it is kept aside as localStorage "${PendingAside}", and the page starts from what was written before`);
      }
    }
    const store = this.store('readonly');
    const [names, contents] = await Promise.all([request(store.getAllKeys()), request(store.getAll())]);
    const files = {};
    const bad = [];
    names.forEach((name, i) => {
      const bytes = bytesOf(contents[i]);
      if (typeof name === 'string' && isPageFile(name) && bytes) files[name] = bytes;
      else bad.push([name, contents[i], bytes ? 'not a file of the page' : 'not bytes']);
    });
    if (bad.length) messages.push(await this.setAside(bad));
    return { files, messages };
  }

  // Entries moved to the aside store in one transaction: the message that
  // says so, or why they stay where they are.
  async setAside(entries) {
    const list = entries.map(([name, , why]) => `${named(name)} (${why})`).join(', ');
    try {
      const transaction = this.db.transaction([Store, Aside], 'readwrite');
      for (const [name, value] of entries) {
        transaction.objectStore(Aside).put(value, `${new Date().toISOString()} ${named(name)}`);
        transaction.objectStore(Store).delete(name);
      }
      await done(transaction);
      return `The browser's storage held what the page cannot use: ${list}. ` +
        `It is kept aside (IndexedDB "${Database}", store "${Aside}"); the page starts without it`;
    } catch (error) {
      return `The browser's storage held what the page cannot use: ${list}. ` +
        `It could not be moved aside (${error}); the page starts without it`;
    }
  }

  // The files written and `removed` deleted in one transaction: all of it
  // or none.
  put(files, removed = []) {
    const note = JSON.stringify(Object.fromEntries(Object.entries(files).map(([n, b]) => [n, toText(b)])));
    try {
      if (Object.keys(files).length) localStorage.setItem(Pending, note);
    } catch {
      // No room for the note: the database write alone.
    }
    const transaction = this.db.transaction(Store, 'readwrite');
    for (const [name, bytes] of Object.entries(files)) transaction.objectStore(Store).put(bytes, name);
    for (const name of removed) transaction.objectStore(Store).delete(name);
    return done(transaction).then(() => {
      if (localStorage.getItem(Pending) === note) localStorage.removeItem(Pending);
    });
  }
}

// Where the page runs without the browser's storage: nothing kept.
export class NoStore {
  async put() {}
}
