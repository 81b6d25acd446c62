// Builds DOM nodes; every piece of text goes in as a text node, never as markup.

// el('button', { class: 'x', on: { click } }, 'Label', child) — strings become text nodes.
export function el(tag, attributes = {}, ...children) {
  const node = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (value === undefined || value === null || value === false) continue;
    if (name === 'on') {
      for (const [type, listener] of Object.entries(value)) node.addEventListener(type, listener);
    } else if (name === 'class') {
      node.className = value;
    } else if (name in node && typeof value !== 'string') {
      node[name] = value;
    } else {
      node.setAttribute(name, value === true ? '' : String(value));
    }
  }
  append(node, children);
  return node;
}

function append(node, children) {
  for (const child of children.flat()) {
    if (child === null || child === undefined || child === false) continue;
    node.append(typeof child === 'string' || typeof child === 'number' ? document.createTextNode(String(child)) : child);
  }
}

export function replaceChildren(node, ...children) {
  node.replaceChildren();
  append(node, children);
}
