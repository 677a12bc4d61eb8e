package fieldsync.rest;

/** An out or in/out parameter: the call reads and replaces its value. */
public class StringHolder {
  public String value;

  public StringHolder() {
  }

  public StringHolder(String value) {
    this.value = value;
  }
}
