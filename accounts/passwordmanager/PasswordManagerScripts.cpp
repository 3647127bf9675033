#include "accounts/passwordmanager/PasswordManagerScripts.h"

namespace PasswordManagerScripts {

const QString& collectScript() {
    static const QString script = QStringLiteral(R"JS((function (document) {
  var forms = [];
  var fields = [];
  var formIds = new Map();
  for (var f = 0; f < document.forms.length; f++) {
    var form = document.forms[f];
    var formId = '__form__' + f;
    formIds.set(form, formId);
    forms.push({
      opid: formId,
      htmlName: form.getAttribute('name'),
      htmlID: form.getAttribute('id'),
      htmlAction: form.action || null,
      htmlMethod: form.getAttribute('method')
    });
  }
  var elements = document.querySelectorAll('input, select, textarea, button');
  for (var i = 0; i < elements.length; i++) {
    var el = elements[i];
    var opid = '__' + i;
    el.setAttribute('data-pm-opid', opid);
    var style = window.getComputedStyle(el);
    fields.push({
      opid: opid,
      elementNumber: i,
      tagName: el.tagName.toLowerCase(),
      type: el.type || null,
      htmlID: el.getAttribute('id'),
      htmlName: el.getAttribute('name'),
      placeholder: el.getAttribute('placeholder'),
      autocomplete: el.getAttribute('autocomplete'),
      value: el.type === 'password' ? '' : (el.value || ''),
      visible: style.display !== 'none' && style.visibility !== 'hidden',
      disabled: !!el.disabled,
      readonly: !!el.readOnly,
      form: el.form ? formIds.get(el.form) : null
    });
  }
  return JSON.stringify({
    documentUUID: String(Date.now()),
    title: document.title,
    url: document.location.href,
    documentUrl: document.location.href,
    forms: forms,
    fields: fields
  });
})(document);)JS");
    return script;
}

const QString& fillScript() {
    static const QString script = QStringLiteral(R"JS((function (document, fillScript) {
  function byOpid(opid) {
    return document.querySelector('[data-pm-opid="' + String(opid).replace(/"/g, '') + '"]');
  }
  function setValue(el, value) {
    el.focus();
    el.value = value;
    el.dispatchEvent(new Event('input', { bubbles: true }));
    el.dispatchEvent(new Event('change', { bubbles: true }));
    el.blur();
  }
  var steps = (fillScript && fillScript.script) || [];
  var success = true;
  for (var i = 0; i < steps.length; i++) {
    var step = steps[i];
    var action = step[0];
    var el = byOpid(step[1]);
    if (action === 'fill_by_opid' || action === 'click_on_opid' || action === 'focus_by_opid') {
      if (!el) {
        success = false;
        continue;
      }
      if (action === 'fill_by_opid') {
        setValue(el, String(step[2] === undefined ? '' : step[2]));
      } else if (action === 'click_on_opid') {
        el.click();
      } else {
        el.focus();
      }
    }
  }
  return JSON.stringify({ success: success });
}))JS");
    return script;
}

}  // namespace PasswordManagerScripts
